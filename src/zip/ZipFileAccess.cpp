#include "zip/ZipInternal.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {

namespace {

constexpr std::size_t WindowBytes = 64 * 1024;
// Room for a header with its name and extra field, as files have them.
constexpr std::size_t HeaderSlack = 4 * 1024;

struct Window {
    std::uint64_t start = 0;
    std::size_t bytes = 0;
    // Not cleared first: only bytes read into it are ever copied out.
    std::unique_ptr<char[]> data = std::make_unique_for_overwrite<char[]>(WindowBytes);

    bool Holds(std::uint64_t position) const {
        return position >= start && position < start + bytes;
    }
};

// Two windows, as minizip reads in two places by turns: the directory, and
// a member's local header and data. With one, looking at the members of a
// large archive in turn fetched a window for each header it read.
struct BufferedFile {
    int fd = -1;
    std::uint64_t size = 0;
    std::uint64_t position = 0;
    std::array<Window, 2> windows;
    std::size_t recent = 0; // the window read last
    bool failed = false;
};

// Whole count read, or fewer only at the end of the file; -1 on an error.
ssize_t ReadAt(int fd, char* buffer, std::size_t count, std::uint64_t offset) {
    std::size_t total = 0;
    while (total < count) {
        const ssize_t got =
            ::pread(fd, buffer + total, count - total, static_cast<off_t>(offset + total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        total += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(total);
}

voidpf ZCALLBACK Open(voidpf, const void* path, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    const int fd = ::open(static_cast<const char*>(path), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        ::close(fd);
        return nullptr;
    }
    auto file = std::make_unique<BufferedFile>();
    file->fd = fd;
    file->size = static_cast<std::uint64_t>(status.st_size);
    return file.release();
}

uLong ZCALLBACK Read(voidpf, voidpf stream, void* buffer, uLong size) {
    auto& file = *static_cast<BufferedFile*>(stream);
    char* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        if (!file.windows[file.recent].Holds(file.position) &&
            file.windows[1 - file.recent].Holds(file.position))
            file.recent = 1 - file.recent;
        const Window& current = file.windows[file.recent];
        if (current.Holds(file.position)) {
            const std::size_t offset = static_cast<std::size_t>(file.position - current.start);
            const std::size_t count = std::min<std::size_t>(size - done, current.bytes - offset);
            std::memcpy(out + done, current.data.get() + offset, count);
            done += count;
            file.position += count;
            continue;
        }
        if (file.position >= file.size)
            break;
        // The window read least recently is refilled. minizip looks for the
        // end records by reading backwards from the end of the file, and the
        // Unzip stage looks at members from the last one down, so a window
        // wanted before the one it replaces (before the other one, while it
        // is still empty) ends a little after the wanted bytes: minizip reads
        // a header a byte or two at a time.
        Window& spare = file.windows[1 - file.recent];
        const Window& before = spare.bytes > 0 ? spare : file.windows[file.recent];
        std::uint64_t start = file.position;
        if (file.position < before.start) {
            const std::uint64_t end =
                file.position + std::max<std::uint64_t>(size - done, HeaderSlack);
            start = end > WindowBytes ? std::min(file.position, end - WindowBytes) : 0;
        }
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(WindowBytes, file.size - start));
        const ssize_t got = ReadAt(file.fd, spare.data.get(), count, start);
        if (got < 0)
            file.failed = true;
        if (got <= 0 || start + static_cast<std::uint64_t>(got) <= file.position)
            break;
        spare.start = start;
        spare.bytes = static_cast<std::size_t>(got);
        file.recent = 1 - file.recent;
    }
    return static_cast<uLong>(done);
}

uLong ZCALLBACK Write(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) {
    return static_cast<BufferedFile*>(stream)->position;
}

long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto& file = *static_cast<BufferedFile*>(stream);
    std::uint64_t base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = file.position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = file.size;
    else if (origin != ZLIB_FILEFUNC_SEEK_SET)
        return -1;
    file.position = base + offset;
    return 0;
}

int ZCALLBACK Close(voidpf, voidpf stream) {
    std::unique_ptr<BufferedFile> file(static_cast<BufferedFile*>(stream));
    return ::close(file->fd) == 0 ? 0 : EOF;
}

int ZCALLBACK Error(voidpf, voidpf stream) {
    return static_cast<BufferedFile*>(stream)->failed ? 1 : 0;
}

} // namespace

zlib_filefunc64_def BufferedFileAccess() {
    zlib_filefunc64_def functions{};
    functions.zopen64_file = Open;
    functions.zread_file = Read;
    functions.zwrite_file = Write;
    functions.ztell64_file = Tell;
    functions.zseek64_file = Seek;
    functions.zclose_file = Close;
    functions.zerror_file = Error;
    return functions;
}

} // namespace kelvarin
