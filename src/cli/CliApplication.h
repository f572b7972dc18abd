#pragma once

#include "cli/CliFrontEnd.h"
#include "cli/UserSystemctl.h"
#include "net/CertificateTrust.h"
#include "net/TransferLimits.h"

#include <memory>
#include <string>
#include <vector>

namespace kelvarin::cli {

// What --base, --server and --cacert stand for when they are not given, and
// where --user-library puts the base folder and finds the start page to copy
// there; for schedule, this program's own file, where the user's systemd units
// go and the user's service manager.
struct CliDefaults {
    std::string baseFolder;
    std::string server;
    std::string userLibrary{};
    std::string installedStartPage{};
    CertificateTrust trust{};
    TransferLimits limits{};
    std::string program{};
    std::string userUnitFolder{};
    std::unique_ptr<UserSystemctl> systemctl = std::make_unique<SessionSystemctl>();

    // The current directory, KELVARIN_SERVER or else the exchange's own host,
    // the user's data folder, the start page installed with this program, the
    // certificate authorities the environment names, KELVARIN_STALL_SECONDS
    // for a shorter wait on a stalled transfer (so that tests of many stalls
    // need not wait a minute for each), this program's file and the user's
    // unit folder.
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
