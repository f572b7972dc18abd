#include "pipeline/StageFolderClaim.h"

#include "app/AtomicFile.h"
#include "app/FileAccess.h"
#include "pipeline/FrontEnd.h"

#include <algorithm>
#include <chrono>
#include <dirent.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kelvarin {

namespace {

std::string InFolder(const std::string& folder, const char* name) {
    return folder.ends_with('/') ? folder + name : folder + '/' + name;
}
// flock has no timed wait, and a blocking one would not see Pause or Ctrl+C;
// trying this often keeps both prompt at no cost worth counting.
constexpr std::chrono::milliseconds RetryInterval{100};

bool IsFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Tries again until the other process lets go, the front end's patience runs
// out or the user stops the stage; `refusal` keeps the last reason.
std::unique_ptr<FolderLock> WaitForFolder(const std::string& folder, FrontEnd& frontEnd,
                                          std::string& refusal) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + frontEnd.WaitForHeldFolder(refusal);
    for (Clock::time_point now = Clock::now(); now < deadline; now = Clock::now()) {
        std::this_thread::sleep_for(std::min<Clock::duration>(RetryInterval, deadline - now));
        frontEnd.PumpOneMessage();
        if (StopRequested != 0)
            return nullptr;
        bool held = false;
        std::unique_ptr<FolderLock> lock =
            FolderLock::Acquire(folder, &refusal, FolderLock::Mode::Exclusive, &held);
        if (lock || !held)
            return lock;
    }
    return nullptr;
}

} // namespace

int RemoveLeftoverPartialFiles(const std::string& folder) {
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        if (IsPartialFileName(entry->d_name) && RemoveFile(InFolder(folder, entry->d_name)))
            ++removed;
    }
    ::closedir(listing);
    return removed;
}

StageFolderClaim::StageFolderClaim(const std::string& folder, FrontEnd& frontEnd) {
    if (!IsFolder(folder))
        return;
    std::string error;
    bool held = false;
    m_lock = FolderLock::Acquire(folder, &error, FolderLock::Mode::Exclusive, &held);
    if (!m_lock && held)
        m_lock = WaitForFolder(folder, frontEnd, error);
    if (!m_lock) {
        m_refused = true;
        frontEnd.ShowMessage(error, MessageButtons::Ok);
        return;
    }
    RemoveLeftoverPartialFiles(folder);
}

} // namespace kelvarin
