#pragma once

#include <string>

namespace kelvarin {

// Makes the folder's entries (names created, renamed or removed in it)
// durable. On failure errno tells the cause.
bool SyncFolderEntries(const std::string& folder);

// Makes everything written on the folder's file system durable: one call
// for a whole batch of files, where one fsync per file would cost a disk
// flush each. On failure errno tells the cause.
bool SyncFileSystemOf(const std::string& folder);

} // namespace kelvarin
