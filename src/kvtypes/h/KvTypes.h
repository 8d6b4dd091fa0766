#pragma once

#include <KvString.h>
#include <KvTypesExport.h>

#include <functional>

// Start-up of the foundation library and the channel for user warnings.
class KV_TYPES_EXPORT KvTypes {
public:
    using WarningHandler = std::function<void(const KvString&)>;

    // Once per process; later calls do nothing.
    static void init();
    static bool isInitialized();

    // Warnings reach the handler the application installed; without one they
    // go to standard error.
    static void postWarningMsg(const KvString& message);
    // Returns the handler it replaces.
    static WarningHandler setWarningHandler(WarningHandler handler);
};
