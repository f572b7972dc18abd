#include "cli/CliApplication.h"
#include "pipeline/FrontEnd.h"

#include <csignal>
#include <iostream>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

extern "C" void OnInterrupt(int) {
    kelvarin::StopRequested.store(1);
    static constexpr char Note[] = "\nPausing after the item in hand; Ctrl+C again quits.\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, Note, sizeof Note - 1);
}

// Ctrl+C is Pause: the first one sets the stop request, so the stage finishes
// the item in hand and ends; a second one ends the program at once.
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

} // namespace

int main(int argc, char* argv[]) {
    using namespace kelvarin::cli;
    winsize size{};
    const bool errIsTerminal = ::isatty(STDERR_FILENO) == 1;
    const int width =
        errIsTerminal && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0
            ? size.ws_col
            : 80;
    const CliStreams streams{std::cin,      std::cout, std::cerr, ::isatty(STDIN_FILENO) == 1,
                             errIsTerminal, width};
    InstallPauseOnInterrupt();
    CliApplication application(streams, CliDefaults::FromEnvironment());
    return application.Run(std::vector<std::string>(argv + 1, argv + argc));
}
