#include "pipeline/FolderBrowsing.h"

#include "app/FixedNames.h"

#include <dirent.h>

namespace kelvarin {

namespace {

bool IsSearchableFolder(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return false;
    ::closedir(dir);
    return true;
}

// One level up. The second cut keeps the slash it finds even at index 0, so a
// folder just below the root ("/data/") leads to "/" and never to a value
// without its trailing slash, which would glue file names onto the folder name.
std::string ParentFolder(std::string folder) {
    const auto last = folder.rfind('/');
    if (last != std::string::npos && last > 0)
        folder.erase(last);
    const auto previous = folder.rfind('/');
    if (previous != std::string::npos)
        folder.erase(previous + 1);
    return folder;
}

} // namespace

ItemKind ClassifyListItem(const std::string& folder, const std::string& text) {
    if (text == "..")
        return ItemKind::UpNext;
    if (text == ".")
        return ItemKind::Root;
    if (IsSearchableFolder(folder + text))
        return ItemKind::Folder;
    return ItemKind::File;
}

std::optional<std::string> FolderAfterOpening(const std::string& folder, const std::string& text,
                                              ItemKind kind) {
    switch (kind) {
    case ItemKind::Root:
        return std::string(BrowseRoot);
    case ItemKind::UpNext:
        return ParentFolder(folder);
    case ItemKind::Folder:
        return folder + text + "/";
    case ItemKind::File:
        break;
    }
    return std::nullopt;
}

bool IsHandPickedDailyFile(const std::string& folder, const std::string& text,
                           std::string_view extension) {
    return text.starts_with(ExchangeCode) && text.ends_with(extension) &&
           ClassifyListItem(folder, text) == ItemKind::File;
}

} // namespace kelvarin
