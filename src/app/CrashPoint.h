#pragma once

namespace kelvarin {

// Marks a moment at which a real crash would leave files half done. When the
// environment variable KELVARIN_CRASH_AFTER is set to N, the process kills
// itself with SIGKILL at the N-th point it passes (counting from 1), so the
// crash tests can stop a stage at every such moment in turn, deterministically.
// Without the variable it costs one predictable branch.
void CrashPoint();

// Taken by every write step the program makes on its files and folders:
// opening a file for writing, writing, flushing, renaming, removing,
// truncating, creating a folder, locking one. When KELVARIN_FAIL_WRITE is
// "N:EIO" (or ENOSPC or EACCES), the N-th step (counting from 1) is not made
// and fails with that error instead, as a real disk would fail it, so the
// fault tests can fail each step of a stage in turn. Returns the error the
// step fails with, else 0; without the variable it costs one predictable
// branch. The step that fails says so on stderr, so a test knows it was reached.
int WriteStepFault();

// The same from within a process, for the tests of one component: step
// `step` from now on fails with `error`; step 0 fails none.
void FailWriteStep(long step, int error);

} // namespace kelvarin
