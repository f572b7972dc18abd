#include "pipeline/Marker.h"

#include "app/AtomicFile.h"
#include "app/CrashPoint.h"
#include "app/FileAccess.h"
#include "pipeline/FrontEnd.h"

#include <cerrno>

namespace kelvarin {

namespace {

// Longer content is never a name a stage wrote; only its start is used.
constexpr std::size_t MarkerBytes = 260;

} // namespace

std::string ReadMarker(const std::string& path, std::string_view initialName) {
    // What was read before a failure still counts.
    WholeFile marker;
    marker.Read(path, MarkerBytes);
    const std::string_view read = marker.View();
    if (read.empty())
        return std::string(initialName);
    return std::string(read.substr(0, read.find('\0')));
}

bool WriteMarker(const std::string& path, std::string_view name, std::string* error) {
    return WriteFileAtomically(path, name, error);
}

bool CommitMarker(const std::string& folder, std::string_view markerName, std::string_view name,
                  FrontEnd& frontEnd) {
    CrashPoint();
    if (!SyncFileSystemOf(folder)) {
        frontEnd.ShowMessage(CannotMessage("write", folder, errno), MessageButtons::Ok);
        return false;
    }
    std::string error;
    if (!WriteMarker(folder + std::string(markerName), name, &error)) {
        frontEnd.ShowMessage(error, MessageButtons::Ok);
        return false;
    }
    return true;
}

} // namespace kelvarin
