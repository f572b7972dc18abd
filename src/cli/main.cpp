#include "CliApplication.h"
#include "PauseOnInterrupt.h"

#include <iostream>
#include <sys/ioctl.h>
#include <unistd.h>

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
