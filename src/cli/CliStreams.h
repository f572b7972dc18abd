#pragma once

#include <iosfwd>

namespace kelvarin::cli {

// Where a command reads its answers and writes its output. The program hands
// in the standard streams, the tests string streams.
struct CliStreams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    // Questions are asked only when someone can answer them.
    bool inputIsTerminal = false;
    // Progress is drawn only where a person watches it; in a log file its
    // repaints would be noise.
    bool errIsTerminal = false;
    int terminalWidth = 80;
};

} // namespace kelvarin::cli
