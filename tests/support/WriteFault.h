#pragma once

#include "app/CrashPoint.h"

namespace kelvarin::test {

// The `step`-th write step from now fails with `error`, for as long as the
// object lives.
class WriteFault {
public:
    WriteFault(long step, int error) { FailWriteStep(step, error); }
    ~WriteFault() { FailWriteStep(0, 0); }
    WriteFault(const WriteFault&) = delete;
    WriteFault& operator=(const WriteFault&) = delete;
};

} // namespace kelvarin::test
