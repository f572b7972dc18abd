#include "pipeline/FolderListing.h"

#include "app/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace kelvarin {

namespace {

constexpr std::string_view MissingFolderMessage =
    "Error - The directory path %s does not exist, and a new folder has been created.";
constexpr std::string_view FailedFolderMessage = "Error - Failed to create the directory path %s.";

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

// The folder is pasted in as it is: a "%" in a path must not act as a format.
std::string FillMessage(std::string_view text, const std::string& folder) {
    std::string filled(text);
    filled.replace(filled.find("%s"), 2, folder);
    return filled;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// Following a link on purpose: a link to a folder lists and opens as a folder.
bool IsFolder(DIR* dir, const dirent& entry) {
    if (entry.d_type == DT_DIR)
        return true;
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK)
        return false;
    struct stat info {};
    return ::fstatat(::dirfd(dir), entry.d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
}

std::string_view ExtensionOf(std::string_view pattern) {
    return pattern.size() > 4 ? pattern.substr(pattern.size() - 4) : pattern;
}

} // namespace

FolderListing ListStageFolder(const std::string& folder, std::string_view pattern) {
    FolderListing listing;
    // An empty folder names files relative to the current directory, so that
    // is the folder to list.
    const std::string path = folder.empty() ? std::string(".") : folder;
    DirPtr dir(::opendir(path.c_str()));
    if (!dir) {
        const int openError = errno;
        // Only a folder that is really missing can be made; one that exists but
        // cannot be read (no access, or a file in the way) would fail to be
        // created anyway, so it gets the failure message at once.
        if (openError == ENOENT && CreateFolder(path)) {
            listing.message = FillMessage(MissingFolderMessage, folder);
            dir.reset(::opendir(path.c_str()));
        } else {
            // The message names no cause, and the stage that goes on to write
            // there can only say that the folder is missing.
            listing.message = FillMessage(FailedFolderMessage, folder) + "\n" +
                              (openError == ENOENT ? CannotMessage("create", folder, errno)
                                                   : CannotMessage("read", folder, openError));
        }
        if (!dir)
            return listing;
    }

    const std::string_view extension = ExtensionOf(pattern);
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        const std::string lower = LowerAscii(name);
        const bool folderEntry = IsFolder(dir.get(), *entry);
        const bool matches = lower.ends_with(extension);
        if (!folderEntry && !matches && !lower.starts_with('.'))
            continue;
        listing.entries.push_back(
            {std::string(name), folderEntry ? EntryKind::Folder : EntryKind::File});
        if (matches)
            ++listing.count;
    }
    std::sort(listing.entries.begin(), listing.entries.end(),
              [](const ListEntry& a, const ListEntry& b) { return NameLess(a.name, b.name); });
    return listing;
}

bool NameLess(std::string_view a, std::string_view b) {
    return a.compare(b) < 0;
}

std::string FolderEditText(const std::string& folder, std::string_view pattern) {
    return LowerAscii(folder + std::string(pattern));
}

} // namespace kelvarin
