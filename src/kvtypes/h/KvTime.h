#pragma once

#include <KvTypesExport.h>

#include <chrono>

// Wall-clock start time with elapsed seconds, for timing output.
class KV_TYPES_EXPORT KvTime {
public:
    KvTime() : start_(std::chrono::steady_clock::now()) {}
    void restart() { start_ = std::chrono::steady_clock::now(); }
    double elapsedSeconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};
