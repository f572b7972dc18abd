#include "app/AtomicFile.h"
#include "app/FileAccess.h"
#include "zip/ZipInternal.h"

#include <cerrno>
#include <sys/stat.h>
#include <zlib.h>

namespace kelvarin {

namespace {

// Length of the header that traditional PKWARE encryption puts before a
// member's data.
constexpr std::size_t EncryptionHeaderSize = 12;

class TraditionalCipher {
public:
    explicit TraditionalCipher(const std::string& password) : m_table(get_crc_table()) {
        for (const char c : password)
            Update(static_cast<std::uint8_t>(c));
    }

    std::uint8_t Decrypt(std::uint8_t cipher) {
        const std::uint32_t temp = (m_keys[2] & 0xFFFF) | 2;
        const auto plain = static_cast<std::uint8_t>(cipher ^ ((temp * (temp ^ 1)) >> 8));
        Update(plain);
        return plain;
    }

private:
    std::uint32_t Crc(std::uint32_t crc, std::uint8_t byte) const {
        return static_cast<std::uint32_t>(m_table[(crc ^ byte) & 0xFF]) ^ (crc >> 8);
    }

    void Update(std::uint8_t byte) {
        m_keys[0] = Crc(m_keys[0], byte);
        m_keys[1] = (m_keys[1] + (m_keys[0] & 0xFF)) * 134775813u + 1;
        m_keys[2] = Crc(m_keys[2], static_cast<std::uint8_t>(m_keys[1] >> 24));
    }

    const z_crc_t* m_table;
    std::uint32_t m_keys[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

// Whether `password` decrypts the 12-byte encryption header so that its last
// byte equals `checkByte` (high byte of the CRC, or of the DOS time when the
// member has a data descriptor). minizip 1.1 skips this check and would
// inflate garbage under a wrong password.
bool PasswordOpensHeader(const std::string& password, std::string_view header,
                         std::uint8_t checkByte) {
    if (header.size() != EncryptionHeaderSize)
        return false;
    TraditionalCipher cipher(password);
    std::uint8_t last = 0;
    for (const char c : header)
        last = cipher.Decrypt(static_cast<std::uint8_t>(c));
    return last == checkByte;
}

bool IsAbsolute(const std::string& path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
           (path.size() > 1 && path[1] == ':');
}

bool ClimbsOut(const std::string& path) {
    return path.find("../") != std::string::npos || path.find("..\\") != std::string::npos;
}

bool IsFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// `path` up to and including its last "/", or "" for a bare name.
std::string FolderPartOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// True when folders may be created along `path` before writing it: its folder
// part is relative and never climbs out with "../" or "..\".
bool MayCreateFoldersAlong(const std::string& path) {
    const std::string folder = FolderPartOf(path);
    return !IsAbsolute(folder) && !ClimbsOut(folder);
}

// True when a member name stays inside the folder it is placed in: not
// absolute and without a ".." step.
bool StaysInsideBaseFolder(const std::string& memberName) {
    const bool endsWithStepUp =
        memberName == ".." ||
        (memberName.size() > 2 && (memberName.ends_with("/..") || memberName.ends_with("\\..")));
    return !IsAbsolute(memberName) && !ClimbsOut(memberName) && !endsWithStepUp;
}

// Creates every folder of the "/"-separated chain from the first to the last;
// folders that exist already are fine. True when the last one is a folder.
bool CreateFolderChain(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1))
        CreateFolder(folder.substr(0, slash));
    if (!folder.empty() && folder.back() != '/')
        CreateFolder(folder);
    return IsFolder(folder);
}

constexpr std::uint32_t EncryptedFlag = 0x0001;
constexpr std::uint32_t DataDescriptorFlag = 0x0008;

std::uint8_t PasswordCheckByte(const ZipMemberFacts& facts) {
    // With a data descriptor the CRC was not known when the header was
    // encrypted, so the time stands in for it.
    return static_cast<std::uint8_t>((facts.flags & DataDescriptorFlag) ? facts.dosDateTime >> 8
                                                                        : facts.crc >> 24);
}

std::uint32_t CheckPassword(ZipArchiveHandle& handle) {
    if (!handle.password)
        return ZipPasswordNeeded;
    if (unzOpenCurrentFile2(handle.archive, nullptr, nullptr, 1) != UNZ_OK)
        return ZipCorruptEntry;
    std::string header(EncryptionHeaderSize, '\0');
    const int read = unzReadCurrentFile(handle.archive, header.data(), EncryptionHeaderSize);
    unzCloseCurrentFile(handle.archive);
    if (read != static_cast<int>(EncryptionHeaderSize))
        return ZipInflateFailed;
    return PasswordOpensHeader(*handle.password, header, PasswordCheckByte(handle.cachedFacts))
               ? ZipOk
               : ZipPasswordNeeded;
}

std::uint32_t OpenMemberStream(ZipArchiveHandle& handle) {
    const bool encrypted = handle.cachedFacts.flags & EncryptedFlag;
    if (encrypted) {
        if (const auto refused = CheckPassword(handle))
            return refused;
    }
    const char* password = encrypted ? handle.password->c_str() : nullptr;
    const int opened = unzOpenCurrentFilePassword(handle.archive, password);
    // A minizip built without decryption (Debian's is) refuses any password.
    if (opened == UNZ_PARAMERROR && encrypted)
        return ZipPasswordNeeded;
    if (opened != UNZ_OK)
        return opened == UNZ_BADZIPFILE ? ZipCorruptEntry : ZipReadFailed;
    return ZipOk;
}

// minizip hands out the raw bytes of a member in a method it does not know
// (bzip2, LZMA, ...) as if they were the data, so only these two are read.
bool IsReadableMethod(std::uint32_t method) {
    return method == 0 || method == Z_DEFLATED;
}

std::uint32_t ExtractFile(ZipArchiveHandle& handle, const std::string& path,
                          Durability durability) {
    if (handle.cachedFacts.uncompressedSize > ZipMemberLimit ||
        !IsReadableMethod(handle.cachedFacts.method))
        return ZipInflateFailed;
    if (const auto refused = OpenMemberStream(handle))
        return refused;
    AtomicFile output(path);
    if (!output.Open()) {
        const int cause = errno;
        unzCloseCurrentFile(handle.archive);
        errno = cause;
        return ZipCannotOpen;
    }
    // The reader closes the member after a refused write, which may change errno.
    int writeError = 0;
    const auto write = [&output, &writeError](const char* data, std::size_t size) {
        if (output.Write(data, size))
            return true;
        writeError = errno;
        return false;
    };
    if (const auto failed = ReadOpenMember(handle.archive, handle.cachedFacts, write)) {
        errno = writeError;
        return failed;
    }
    const ZipEntryInfo& entry = handle.cached;
    const bool committed = output.Commit(durability, entry.attributes & ZipReadOnly,
                                         FileTimeToTimespec(entry.accessTime),
                                         FileTimeToTimespec(entry.modificationTime));
    return committed ? ZipOk : ZipWriteFailed;
}

std::uint32_t CreateMemberFolder(const ZipArchiveHandle& handle) {
    const std::string name = handle.cached.name;
    if (!StaysInsideBaseFolder(name))
        return ZipCannotOpen;
    return CreateFolderChain(handle.baseFolder + name) ? ZipOk : ZipCannotOpen;
}

} // namespace

std::uint32_t UnzipEntryToFile(ZipArchiveHandle* handle, int index, const std::string& fileName,
                               Durability durability) {
    if (const auto bad = CheckZipHandle(handle))
        return RecordZipResult(bad);
    if (index < 0 || index >= handle->memberCount)
        return RecordZipResult(ZipBadArgument);
    if (const auto failed = DescribeZipMember(*handle, index))
        return RecordZipResult(failed);
    if (handle->cached.attributes & ZipDirectory)
        return RecordZipResult(CreateMemberFolder(*handle));

    const std::string path = handle->baseFolder + fileName;
    if (MayCreateFoldersAlong(path))
        CreateFolderChain(FolderPartOf(path));
    return RecordZipResult(ExtractFile(*handle, path, durability));
}

} // namespace kelvarin
