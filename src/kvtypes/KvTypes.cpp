#include <KvTypes.h>

#include <KvAllocator.h>
#include <KvTbbControl.h>

#include <iostream>
#include <mutex>

namespace {
bool g_initialized = false;
std::mutex g_warningMutex;
KvTypes::WarningHandler& warningHandler() {
    static KvTypes::WarningHandler handler;
    return handler;
}
}  // namespace

void KvTypes::init() {
    if (g_initialized) return;
    g_initialized = true;
    KvAllocator::installNewHandler();
    KvTbbControl::init(false);
}

bool KvTypes::isInitialized() { return g_initialized; }

void KvTypes::postWarningMsg(const KvString& message) {
    WarningHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_warningMutex);
        handler = warningHandler();
    }
    if (handler)
        handler(message);
    else
        std::cerr << "Warning: " << message << std::endl;
}

KvTypes::WarningHandler KvTypes::setWarningHandler(WarningHandler handler) {
    std::lock_guard<std::mutex> lock(g_warningMutex);
    WarningHandler old = std::move(warningHandler());
    warningHandler() = std::move(handler);
    return old;
}
