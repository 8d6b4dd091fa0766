#include <KvAllocator.h>

#include <KvMemoryCleaner.h>

#include <algorithm>
#include <mutex>
#include <new>
#include <vector>

namespace {
struct Cleaners {
    std::recursive_mutex mutex;
    std::vector<KvMemoryCleaner*> list;
    bool running = false;
};
Cleaners& cleaners() {
    static Cleaners* c = new Cleaners;  // reachable from a new_handler at any time
    return *c;
}

void onOutOfMemory() {
    // Retry the allocation while some cleaner still frees memory.
    if (!KvAllocator::runCleaningFunctions()) throw std::bad_alloc();
}
}  // namespace

void KvAllocator::addCleaningFunction(KvMemoryCleaner* cleaner) {
    if (!cleaner) return;
    Cleaners& c = cleaners();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (std::find(c.list.begin(), c.list.end(), cleaner) == c.list.end()) c.list.push_back(cleaner);
}

void KvAllocator::removeCleaningFunction(KvMemoryCleaner* cleaner) {
    Cleaners& c = cleaners();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    c.list.erase(std::remove(c.list.begin(), c.list.end(), cleaner), c.list.end());
}

bool KvAllocator::runCleaningFunctions() {
    Cleaners& c = cleaners();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (c.running) return false;  // a cleaner that itself runs short
    c.running = true;
    bool freed = false;
    std::vector<KvMemoryCleaner*> list = c.list;
    try {
        for (KvMemoryCleaner* m : list)
            if (m->clean()) freed = true;
    } catch (...) {
        c.running = false;
        throw;
    }
    c.running = false;
    return freed;
}

int KvAllocator::getNumCleaningFunctions() {
    Cleaners& c = cleaners();
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    return static_cast<int>(c.list.size());
}

void KvAllocator::installNewHandler() { std::set_new_handler(&onOutOfMemory); }
