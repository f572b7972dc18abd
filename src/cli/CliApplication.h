#pragma once

#include "cli/CliFrontEnd.h"
#include "net/CertificateTrust.h"
#include "net/TransferLimits.h"

#include <string>
#include <vector>

namespace kelvarin::cli {

// What --base, --server and --cacert stand for when they are not given, and
// where --user-library puts the base folder and finds the start page to copy there.
struct CliDefaults {
    std::string baseFolder;
    std::string server;
    std::string userLibrary{};
    std::string installedStartPage{};
    CertificateTrust trust{};
    TransferLimits limits{};

    // The current directory, KELVARIN_SERVER or else the exchange's own host,
    // the user's data folder, the start page installed with this program, the
    // certificate authorities the environment names, and KELVARIN_STALL_SECONDS
    // for a shorter wait on a stalled transfer, so that tests of many stalls
    // need not wait a minute for each.
    static CliDefaults FromEnvironment();
};

// Parses the command line and runs the command it names.
class CliApplication {
public:
    CliApplication(const CliStreams& streams, CliDefaults defaults);

    // `args` without the program name. Returns the program's exit status.
    int Run(const std::vector<std::string>& args);

private:
    CliStreams m_streams;
    CliDefaults m_defaults;
};

} // namespace kelvarin::cli
