#include <KvNotch.h>

#include <atomic>

namespace {
std::atomic<uint64_t> g_lastNotch{0};
}

KvNotch KvNotch::make() { return KvNotch(g_lastNotch.fetch_add(1, std::memory_order_relaxed) + 1); }
