#include "app/UserLibrary.h"

#include "app/AtomicFile.h"
#include "app/FileAccess.h"
#include "app/FixedNames.h"
#include "app/WorkingFolders.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace kelvarin {

namespace {

namespace fs = std::filesystem;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Qt takes a relative XDG_DATA_HOME or HOME as it stands; both programs then
// resolve it against the current directory.
std::string CleanAbsolute(const std::string& path) {
    fs::path absolute =
        path.starts_with('/') ? fs::path(path) : fs::path(CurrentDirectory()) / path;
    std::string clean = absolute.lexically_normal().string();
    while (clean.size() > 1 && clean.ends_with('/'))
        clean.pop_back();
    return clean;
}

} // namespace

std::string UserLibraryFolder() {
    std::string dataHome = Environment("XDG_DATA_HOME");
    // Qt's home is the root folder when HOME is unset or empty.
    if (dataHome.empty())
        dataHome = Environment("HOME") + "/.local/share";
    return CleanAbsolute(dataHome + "/Kelvarin");
}

std::string InstalledStartPage(const std::string& programFile) {
    const fs::path page = fs::path(programFile).parent_path() / KELVARIN_DATA_FROM_BINDIR /
                          std::string(StartPageName).substr(1);
    return page.lexically_normal().string();
}

bool PrepareUserLibrary(const std::string& folder, const std::string& startPage,
                        std::string* error) {
    bool created = false;
    if (!CreateFolderPath(folder, created)) {
        if (error)
            *error = "Cannot create the library folder " + folder + ": " + ErrnoText(errno);
        return false;
    }
    // A new library comes with its stage folders, so the first start from the
    // menu is not met by a "has been created" box for each of them.
    if (created) {
        WorkingFolders defaults;
        defaults.BaseFolder = folder;
        defaults.ResetToBaseDefaults();
        for (const std::string* stage :
             {&defaults.ZipFolder, &defaults.UnzipFolder, &defaults.StockFolder}) {
            if (!CreateFolder(*stage)) {
                if (error)
                    *error = "Cannot create the folder " + *stage + ": " + ErrnoText(errno);
                return false;
            }
        }
    }
    const std::string page = folder + std::string(StartPageName);
    std::error_code code;
    if (fs::symlink_status(page, code).type() != fs::file_type::not_found)
        return true;
    if (!fs::is_regular_file(startPage, code))
        return true;
    WholeFile bytes;
    if (!bytes.Read(startPage)) {
        if (error)
            *error = CannotMessage("read", startPage, errno);
        return false;
    }
    return WriteFileAtomically(page, bytes.View(), error);
}

} // namespace kelvarin
