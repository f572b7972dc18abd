#include "app/AtomicFile.h"
#include "zip/ZipArchiveHandle.h"
#include "zip/ZipEntryTimes.h"
#include "zip/ZipMemberData.h"
#include "zip/ZipOutputFolders.h"
#include "zip/ZipPassword.h"

namespace kelvarin {

namespace {

constexpr std::uint32_t kEncryptedFlag = 0x0001;
constexpr std::uint32_t kDataDescriptorFlag = 0x0008;

std::uint8_t PasswordCheckByte(const ZipMemberFacts& facts) {
    // With a data descriptor the CRC was not known when the header was
    // encrypted, so the time stands in for it.
    return static_cast<std::uint8_t>((facts.flags & kDataDescriptorFlag) ? facts.dosDateTime >> 8
                                                                         : facts.crc >> 24);
}

std::uint32_t CheckPassword(ZipArchiveHandle& handle) {
    if (!handle.password)
        return ZipPasswordNeeded;
    if (unzOpenCurrentFile2(handle.archive, nullptr, nullptr, 1) != UNZ_OK)
        return ZipCorruptEntry;
    std::string header(kEncryptionHeaderSize, '\0');
    const int read = unzReadCurrentFile(handle.archive, header.data(), kEncryptionHeaderSize);
    unzCloseCurrentFile(handle.archive);
    if (read != static_cast<int>(kEncryptionHeaderSize))
        return ZipInflateFailed;
    return PasswordOpensHeader(*handle.password, header, PasswordCheckByte(handle.cachedFacts))
               ? ZipOk
               : ZipPasswordNeeded;
}

std::uint32_t OpenMemberStream(ZipArchiveHandle& handle) {
    const bool encrypted = handle.cachedFacts.flags & kEncryptedFlag;
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
    if (handle.cachedFacts.uncompressedSize > kZipMemberLimit ||
        !IsReadableMethod(handle.cachedFacts.method))
        return ZipInflateFailed;
    if (const auto refused = OpenMemberStream(handle))
        return refused;
    AtomicFile output(path);
    if (!output.Open()) {
        unzCloseCurrentFile(handle.archive);
        return ZipCannotOpen;
    }
    const auto write = [&output](const char* data, std::size_t size) {
        return output.Write(data, size);
    };
    if (const auto failed = ReadOpenMember(handle.archive, handle.cachedFacts, write))
        return failed;
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
