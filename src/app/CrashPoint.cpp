#include "app/CrashPoint.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

namespace kelvarin {

namespace {

long CrashAfter() {
    const char* value = std::getenv("KELVARIN_CRASH_AFTER");
    return value ? std::strtol(value, nullptr, 10) : 0;
}

struct ErrorName {
    std::string_view name;
    int error;
};

// The failures a disk really gives a program that may write where it writes.
constexpr ErrorName FailableErrors[] = {{"EIO", EIO}, {"ENOSPC", ENOSPC}, {"EACCES", EACCES}};

std::string_view NameOf(int error) {
    for (const ErrorName& known : FailableErrors) {
        if (known.error == error)
            return known.name;
    }
    return "an error";
}

class WriteFaultPlan {
public:
    WriteFaultPlan() {
        const char* value = std::getenv("KELVARIN_FAIL_WRITE");
        if (!value)
            return;
        char* end = nullptr;
        const long step = std::strtol(value, &end, 10);
        if (*end != ':')
            return;
        for (const ErrorName& known : FailableErrors) {
            if (known.name == end + 1)
                Arm(step, known.error);
        }
    }

    void Arm(long step, int error) {
        m_error = error;
        m_taken = 0;
        m_step.store(step > 0 ? step : 0, std::memory_order_release);
    }

    int Take() {
        const long step = m_step.load(std::memory_order_acquire);
        // Stages take their steps from several threads at once.
        if (step == 0 || ++m_taken != step)
            return 0;
        const int error = m_error;
        const std::string note = "kelvarin: write step " + std::to_string(step) +
                                 " made to fail with " + std::string(NameOf(error)) + "\n";
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, note.data(), note.size());
        return error;
    }

private:
    std::atomic<long> m_step{0};
    std::atomic<long> m_taken{0};
    std::atomic<int> m_error{0};
};

WriteFaultPlan& Plan() {
    static WriteFaultPlan plan;
    return plan;
}

} // namespace

void CrashPoint() {
    static const long crashAfter = CrashAfter();
    // Stages may pass their points from several threads at once.
    static std::atomic<long> passed{0};
    if (crashAfter > 0 && ++passed == crashAfter)
        std::raise(SIGKILL);
}

int WriteStepFault() {
    return Plan().Take();
}

void FailWriteStep(long step, int error) {
    Plan().Arm(step, error);
}

} // namespace kelvarin
