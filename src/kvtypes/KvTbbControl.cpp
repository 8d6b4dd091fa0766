#include <KvTbbControl.h>

#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/info.h>

#include <memory>
#include <mutex>

namespace {
std::mutex g_mutex;
std::unique_ptr<tbb::global_control> g_control;
int g_active = 0;
}  // namespace

int KvTbbControl::getDefaultNumThreads() {
    int n = tbb::info::default_concurrency();
    return n > 0 ? n : 1;
}

void KvTbbControl::init(bool force) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_active != 0 && !force) return;
    g_control.reset();
    g_active = getDefaultNumThreads();
}

int KvTbbControl::getActiveNumThreads() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_active > 0 ? g_active : getDefaultNumThreads();
}

void KvTbbControl::setNumThreads(int n, bool force) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_control && !force) return;
    if (n < 1) n = getDefaultNumThreads();
    g_control.reset();
    g_control =
        std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism, static_cast<size_t>(n));
    g_active = n;
}
