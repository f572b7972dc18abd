#include "zip/ZipReader.h"

#include "zip/ZipInternal.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {

namespace {

// Per thread, as errno is: a stage reads it right after its own call, while
// other threads may be unzipping other archives.
thread_local std::uint32_t g_lastResult = ZipOk;

bool EndsWithSeparator(const std::string& folder) {
    return !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
}

std::string Terminated(const std::string& folder) {
    return EndsWithSeparator(folder) ? folder : folder + "/";
}

// A current directory that can no longer be named is still reachable as "./".
std::string CurrentFolder() {
    std::unique_ptr<char, decltype(&std::free)> current(::getcwd(nullptr, 0), &std::free);
    return current ? Terminated(current.get()) : "./";
}

// minizip only says "no" when it cannot open an archive; the file's own state
// tells a missing file from one that is no zip archive.
std::uint32_t WhyArchiveCannotOpen(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || ::access(path.c_str(), R_OK) != 0)
        return ZipCannotOpen;
    if (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode) || S_ISSOCK(status.st_mode))
        return ZipNotSeekable;
    if (!S_ISREG(status.st_mode))
        return ZipCannotOpen;
    return ZipOk;
}

} // namespace

ZipArchiveHandle::~ZipArchiveHandle() {
    if (archive)
        unzClose(archive);
}

std::uint32_t RecordZipResult(std::uint32_t result) {
    g_lastResult = result;
    return result;
}

std::uint32_t ZipLastResult() {
    return g_lastResult;
}

std::uint32_t CheckZipHandle(const ZipArchiveHandle* handle) {
    if (!handle)
        return ZipBadArgument;
    return handle->kind == ZipReaderKind ? ZipOk : ZipWrongHandle;
}

ZipArchiveHandle* OpenZipArchive(const std::string& path, const char* password) {
    if (const auto why = WhyArchiveCannotOpen(path)) {
        RecordZipResult(why);
        return nullptr;
    }
    auto handle = std::make_unique<ZipArchiveHandle>();
    zlib_filefunc64_def access = BufferedFileAccess();
    handle->archive = unzOpen2_64(path.c_str(), &access);
    unz_global_info64 global{};
    // minizip refuses a file without an end record it can follow to a
    // directory, which is what a file that is no zip archive is.
    if (!handle->archive || unzGetGlobalInfo64(handle->archive, &global) != UNZ_OK) {
        RecordZipResult(ZipCannotOpen);
        return nullptr;
    }
    handle->memberCount = static_cast<std::int32_t>(
        std::min<ZPOS64_T>(global.number_entry, std::numeric_limits<std::int32_t>::max()));
    if (password)
        handle->password = password;
    handle->baseFolder = CurrentFolder();
    RecordZipResult(ZipOk);
    return handle.release();
}

std::uint32_t SetZipBaseFolder(ZipArchiveHandle* handle, const std::string& folder) {
    if (const auto bad = CheckZipHandle(handle))
        return RecordZipResult(bad);
    // Letting "" become "/", or a NUL end the folder early, would send every
    // file somewhere the caller never named.
    if (folder.empty() || folder.find('\0') != std::string::npos)
        return RecordZipResult(ZipBadArgument);
    handle->baseFolder = Terminated(folder);
    return RecordZipResult(ZipOk);
}

std::uint32_t GetZipEntry(ZipArchiveHandle* handle, int index, ZipEntryInfo& info) {
    if (const auto bad = CheckZipHandle(handle))
        return RecordZipResult(bad);
    if (index == -1) {
        info = ZipEntryInfo{};
        info.index = handle->memberCount;
        return RecordZipResult(ZipOk);
    }
    if (index < -1 || index >= handle->memberCount)
        return RecordZipResult(ZipBadArgument);
    if (const auto failed = DescribeZipMember(*handle, index))
        return RecordZipResult(failed);
    info = handle->cached;
    return RecordZipResult(ZipOk);
}

std::uint32_t CloseZipArchive(ZipArchiveHandle* handle) {
    if (const auto bad = CheckZipHandle(handle))
        return RecordZipResult(bad);
    delete handle;
    return RecordZipResult(ZipOk);
}

} // namespace kelvarin
