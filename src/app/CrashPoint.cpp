#include "app/CrashPoint.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

namespace kelvarin {

namespace {

long CrashAfter() {
    const char* value = std::getenv("KELVARIN_CRASH_AFTER");
    return value ? std::strtol(value, nullptr, 10) : 0;
}

} // namespace

void CrashPoint() {
    static const long crashAfter = CrashAfter();
    // Stages may pass their points from several threads at once.
    static std::atomic<long> passed{0};
    if (crashAfter > 0 && ++passed == crashAfter)
        std::raise(SIGKILL);
}

} // namespace kelvarin
