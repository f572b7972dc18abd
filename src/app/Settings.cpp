#include "app/Settings.h"

#include "app/AtomicFile.h"

#include <cstdio>
#include <memory>
#include <sys/stat.h>

namespace kelvarin {

namespace {

constexpr std::string_view NoteLine = "Note: Please Do Not Modify These Settings.";
constexpr std::string_view ZipHeader = "[Local Path]";
constexpr std::string_view UnzipHeader = "[Unzip Path]";
constexpr std::string_view StockHeader = "[Stock Path]";
constexpr std::string_view EndHeader = "[End]";

// One line as the reader sees it: at most this many bytes up to and including
// the line feed; the rest of a longer line comes back as lines of its own.
constexpr int LinePieceBytes = 259;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool IsTrailingSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// False at the end of the file. A NUL byte ends the piece's text, which no
// folder path can hold anyway.
bool ReadTrimmedLine(std::FILE* file, std::string& line) {
    char buffer[LinePieceBytes + 1];
    if (!std::fgets(buffer, sizeof buffer, file))
        return false;
    line.assign(buffer);
    while (!line.empty() && IsTrailingSpace(line.back()))
        line.pop_back();
    return true;
}

std::string* FolderForHeader(std::string_view line, WorkingFolders& folders) {
    if (line == ZipHeader)
        return &folders.ZipFolder;
    if (line == UnzipHeader)
        return &folders.UnzipFolder;
    if (line == StockHeader)
        return &folders.StockFolder;
    return nullptr;
}

FilePtr OpenRegularFile(const std::string& path) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    // A folder opens for reading here but is no settings file; treat it as
    // missing so the folders still get their base defaults.
    struct stat info {};
    if (file && (::fstat(::fileno(file.get()), &info) != 0 || S_ISDIR(info.st_mode)))
        file.reset();
    return file;
}

} // namespace

bool ReadSettings(const std::string& path, WorkingFolders& folders) {
    const FilePtr file = OpenRegularFile(path);
    if (!file) {
        folders.ResetToBaseDefaults();
        return false;
    }
    std::string line;
    while (ReadTrimmedLine(file.get(), line) && line != EndHeader) {
        std::string* folder = FolderForHeader(line, folders);
        if (folder && ReadTrimmedLine(file.get(), line))
            *folder = line;
    }
    return true;
}

std::string FormatSettings(const WorkingFolders& folders) {
    std::string bytes(NoteLine);
    const auto section = [&bytes](std::string_view header, const std::string& value) {
        bytes.append("\r\n\r\n").append(header).append("\r\n").append(value);
    };
    section(ZipHeader, folders.ZipFolder);
    section(UnzipHeader, folders.UnzipFolder);
    section(StockHeader, folders.StockFolder);
    bytes.append("\r\n\r\n").append(EndHeader);
    return bytes;
}

bool WriteSettings(const std::string& path, const WorkingFolders& folders, std::string* error) {
    return WriteFileAtomically(path, FormatSettings(folders), error);
}

} // namespace kelvarin
