#include "pipeline/ArchiveCheck.h"

#include "app/FileAccess.h"
#include "zip/ZipMemberAccess.h"
#include "zip/ZipReader.h"

#include <algorithm>
#include <functional>
#include <sys/stat.h>
#include <unzip.h>

namespace kelvarin {

namespace {

// minizip reads through these, so the body is checked where it lies, before
// any byte of it reaches the disk.
struct MemoryStream {
    std::string_view bytes;
    ZPOS64_T position = 0;
};

voidpf ZCALLBACK OpenMemory(voidpf opaque, const void*, int) {
    return opaque;
}

uLong ZCALLBACK ReadMemory(voidpf, voidpf stream, void* buffer, uLong size) {
    auto& memory = *static_cast<MemoryStream*>(stream);
    if (memory.position >= memory.bytes.size())
        return 0;
    const auto available = memory.bytes.size() - memory.position;
    const auto count = static_cast<uLong>(std::min<ZPOS64_T>(size, available));
    memory.bytes.copy(static_cast<char*>(buffer), count, memory.position);
    memory.position += count;
    return count;
}

uLong ZCALLBACK WriteMemory(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T ZCALLBACK TellMemory(voidpf, voidpf stream) {
    return static_cast<MemoryStream*>(stream)->position;
}

long ZCALLBACK SeekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto& memory = *static_cast<MemoryStream*>(stream);
    ZPOS64_T base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = memory.position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = memory.bytes.size();
    const ZPOS64_T target = base + offset;
    if (target > memory.bytes.size())
        return -1;
    memory.position = target;
    return 0;
}

int ZCALLBACK CloseMemory(voidpf, voidpf) {
    return 0;
}

int ZCALLBACK ErrorMemory(voidpf, voidpf) {
    return 0;
}

bool Fail(std::string* cause, std::string text) {
    if (cause)
        *cause = std::move(text);
    return false;
}

bool ReadEntry(unzFile archive, std::string& name, ZipDirectoryEntry& entry, std::string* cause) {
    char buffer[ZipNameLimit + 1] = {};
    if (ReadDirectoryEntry(archive, buffer, ZipNameLimit, entry) != UNZ_OK)
        return Fail(cause, "unreadable member entry");
    name = buffer;
    return true;
}

// Inflates the current member to its end, checking its size and CRC.
bool MemberInflates(unzFile archive, std::string* cause) {
    std::string member;
    ZipDirectoryEntry entry;
    if (!ReadEntry(archive, member, entry, cause))
        return false;
    if (entry.facts.flags & 1)
        return Fail(cause, "encrypted member " + member);
    if (entry.facts.method != 0 && entry.facts.method != Z_DEFLATED)
        return Fail(cause, "member " + member + " uses compression method " +
                               std::to_string(entry.facts.method));
    if (unzOpenCurrentFile(archive) != UNZ_OK)
        return Fail(cause, "member " + member + " cannot be read");
    if (ReadOpenMember(archive, entry.facts, [](const char*, std::size_t) { return true; }))
        return Fail(cause, "member " + member + " does not inflate to its size and CRC");
    return true;
}

// The sizes the directory declares, before any member is inflated: neither
// one huge member nor thousands of large ones may keep the check inflating
// for minutes, whatever the archive's compressed size.
std::function<bool(unzFile)> SizesFit(std::string* cause) {
    return [cause, left = ZPOS64_T(ZipMemberLimit)](unzFile archive) mutable {
        std::string member;
        ZipDirectoryEntry entry;
        if (!ReadEntry(archive, member, entry, cause))
            return false;
        if (entry.facts.uncompressedSize > left)
            return Fail(cause,
                        "member " + member + " would take the archive beyond 1 GiB inflated");
        left -= entry.facts.uncompressedSize;
        return true;
    };
}

bool ForEachMember(unzFile archive, ZPOS64_T members, std::string* cause,
                   const std::function<bool(unzFile)>& check) {
    for (ZPOS64_T member = 0; member < members; ++member) {
        const int step = member == 0 ? unzGoToFirstFile(archive) : unzGoToNextFile(archive);
        if (step != UNZ_OK)
            return Fail(cause, "unreadable archive directory");
        if (!check(archive))
            return false;
    }
    return true;
}

// minizip takes a short read at the end of the archive for zeros, so a body
// missing its last bytes would pass; the end record must close the body.
bool EndsWithItsEndRecord(std::string_view bytes) {
    constexpr std::string_view Signature = "PK\x05\x06";
    constexpr std::size_t RecordSize = 22;
    const std::size_t at = bytes.rfind(Signature);
    if (at == std::string_view::npos || bytes.size() - at < RecordSize)
        return false;
    const auto low = static_cast<unsigned char>(bytes[at + 20]);
    const auto high = static_cast<unsigned char>(bytes[at + 21]);
    return bytes.size() == at + RecordSize + (low | high << 8);
}

} // namespace

bool IsCompleteZipArchive(std::string_view bytes, std::string* cause) {
    if (!EndsWithItsEndRecord(bytes))
        return Fail(cause, "not a complete zip archive");
    MemoryStream memory{bytes};
    zlib_filefunc64_def functions{};
    functions.zopen64_file = OpenMemory;
    functions.zread_file = ReadMemory;
    functions.zwrite_file = WriteMemory;
    functions.ztell64_file = TellMemory;
    functions.zseek64_file = SeekMemory;
    functions.zclose_file = CloseMemory;
    functions.zerror_file = ErrorMemory;
    functions.opaque = &memory;

    unzFile archive = unzOpen2_64("memory", &functions);
    unz_global_info64 global{};
    if (!archive || unzGetGlobalInfo64(archive, &global) != UNZ_OK) {
        if (archive)
            unzClose(archive);
        return Fail(cause, "not a complete zip archive");
    }
    const bool complete = ForEachMember(archive, global.number_entry, cause, SizesFit(cause)) &&
                          ForEachMember(archive, global.number_entry, cause,
                                        [cause](unzFile at) { return MemberInflates(at, cause); });
    unzClose(archive);
    return complete;
}

bool IsStoredCompleteArchive(const std::string& path) {
    // A FIFO or a device under the name would block the read or never end it.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    WholeFile file;
    return file.Read(path) && IsCompleteZipArchive(file.View());
}

} // namespace kelvarin
