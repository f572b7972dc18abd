#pragma once

#include <unzip.h>

namespace kelvarin {

// minizip's file access over a descriptor with read-ahead windows. minizip
// positions the file before nearly every read (each 16 KiB of member data,
// each header), and a stdio stream drops its buffer on every such seek: a
// daily archive of a few dozen kilobytes took over a hundred system calls.
// Here a seek only moves a number, and a read outside the windows fetches a
// window with one pread, so an archive of any size is read in windows.
zlib_filefunc64_def BufferedFileAccess();

} // namespace kelvarin
