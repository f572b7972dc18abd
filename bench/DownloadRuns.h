#pragma once

#include "BenchFiles.h"
#include "BenchTools.h"
#include "SilentFrontEnd.h"
#include "app/WorkingFolders.h"
#include "pipeline/DailyArchiveNames.h"
#include "pipeline/MemoryList.h"
#include "pipeline/Stages.h"

#include <string>
#include <unistd.h>
#include <vector>

namespace kelvarin::bench {

// The archives the exchange at `server` lists, as Connect finds them.
inline void ListArchives(WorkingFolders& folders, const std::string& server, MemoryList& remote) {
    SilentFrontEnd frontEnd;
    StageContext context{folders, frontEnd, server};
    if (RunConnect(context, remote) != StageOutcome::Succeeded)
        Fail("Connect: " + frontEnd.LastStatus());
}

// A curl config fetching every archive of `remote` into `curlFolder`, the
// stage's addresses and names; its path.
inline std::string WriteCurlConfig(const std::string& server, const MemoryList& remote,
                                   const std::string& curlFolder) {
    const std::string configPath = curlFolder + ".cfg";
    std::string config;
    for (int row = 0; row < remote.Count(); ++row) {
        const std::string item = remote.Text(row);
        config += "url = \"" + ArchiveAddress(server, item) + "\"\noutput = \"" + curlFolder + "/" +
                  LocalName(item) + "\"\n";
    }
    WriteWhole(configPath, config);
    return configPath;
}

// An Auto Download of every archive of `remote`, timed after a sync; its
// last status in `status`.
inline double TimeStage(WorkingFolders& folders, const std::string& server, int connections,
                        const MemoryList& remote, std::string& status) {
    ::sync();
    SilentFrontEnd frontEnd;
    StageContext context{folders, frontEnd, server};
    context.transfer.connections = connections;
    MemoryList zipList;
    const auto start = Clock::now();
    const StageOutcome outcome = RunDownload(context, true, remote, zipList);
    const double seconds = SecondsSince(start);
    status = frontEnd.LastStatus();
    if (outcome != StageOutcome::Succeeded)
        Fail("Download stage: " + status + "\n" + frontEnd.Messages());
    return seconds;
}

// One curl process with `options` fetching what the config at `configPath`
// lists, timed after a sync.
inline double TimeCurl(std::vector<std::string> options, const std::string& configPath) {
    ::sync();
    options.insert(options.begin(), {"curl", "-s", "--fail"});
    options.insert(options.end(), {"-K", configPath});
    const auto start = Clock::now();
    if (RunProgram(options) != 0)
        Fail("curl failed");
    return SecondsSince(start);
}

} // namespace kelvarin::bench
