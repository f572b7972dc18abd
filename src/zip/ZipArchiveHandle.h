#pragma once

#include "zip/ZipDirectoryEntry.h"
#include "zip/ZipReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unzip.h>
#include <vector>

namespace kelvarin {

inline constexpr int kZipReaderKind = 1;

struct ZipArchiveHandle {
    ZipArchiveHandle() = default;
    ZipArchiveHandle(const ZipArchiveHandle&) = delete;
    ZipArchiveHandle& operator=(const ZipArchiveHandle&) = delete;
    ~ZipArchiveHandle();

    int kind = kZipReaderKind;
    unzFile archive = nullptr;
    std::int32_t memberCount = 0;
    std::int32_t position = -1; // the member minizip points at; -1 when unknown
    // Where the directory entries of the members walked so far start, by
    // index, so that a member seen before is reached without walking again.
    std::vector<ZPOS64_T> directoryOffsets;
    std::optional<std::string> password;
    std::int32_t cachedIndex = -1;
    ZipEntryInfo cached;
    ZipMemberFacts cachedFacts;
    std::string baseFolder;
};

// Stores `result` as the last result and hands it back.
std::uint32_t RecordZipResult(std::uint32_t result);

// ZipOk for a live reader handle, else why it cannot be used.
std::uint32_t CheckZipHandle(const ZipArchiveHandle* handle);

// Moves to member `index` (in range) and fills handle.cached and
// handle.cachedFacts, reusing them when that member was the last described.
std::uint32_t DescribeZipMember(ZipArchiveHandle& handle, int index);

} // namespace kelvarin
