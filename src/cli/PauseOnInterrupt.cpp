#include "PauseOnInterrupt.h"

#include "pipeline/FrontEnd.h"

#include <csignal>
#include <unistd.h>

namespace kelvarin::cli {

namespace {

extern "C" void OnInterrupt(int) {
    kelvarin::StopRequested.store(1);
    static constexpr char Note[] = "\nPausing after the item in hand; Ctrl+C again quits.\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, Note, sizeof Note - 1);
}

} // namespace

void InstallPauseOnInterrupt() {
    static_assert(decltype(kelvarin::StopRequested)::is_always_lock_free,
                  "the stop request is set from a signal handler");
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // The default action comes back after the first Ctrl+C, so the second
    // ends the program; interrupted reads and writes carry on.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
}

} // namespace kelvarin::cli
