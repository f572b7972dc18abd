#include "pipeline/DailyPriceReader.h"

#include "app/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {

namespace {

// A line is read only when its CR lies within this many bytes of the line's
// start, so a line of 500 characters or more ends the file.
constexpr std::size_t WindowSize = 500;

constexpr std::size_t FieldBufferSize = 16;

// Numbers in a daily file always use "." whatever the user's locale, while the
// desktop front end adopts the user's locale (Qt's application object calls
// setlocale on Unix), so the conversions run in a fixed "C" locale instead of
// the global one.
locale_t CLocale() {
    static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", nullptr);
    return locale;
}

// The last `width` characters of the line's first `last + 1` characters; on a
// short line the last `width` characters of the whole line, or all of it.
std::string_view CutField(std::string_view line, std::size_t last, std::size_t width) {
    const std::size_t end = std::min(line.size(), last + 1);
    const std::size_t start = end > width ? end - width : 0;
    return line.substr(start, end - start);
}

std::string_view WithoutTrailingSpace(std::string_view text) {
    const std::size_t end = text.find_last_not_of(" \t\r\n\v\f");
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

// The field sits inside the line without a terminating NUL, and the C
// conversions need one; no field is wider than the buffer.
struct FieldText {
    explicit FieldText(std::string_view field) {
        const std::size_t size = std::min(field.size(), FieldBufferSize - 1);
        std::memcpy(text, field.data(), size);
        text[size] = '\0';
    }
    char text[FieldBufferSize];
};

double ToPrice(std::string_view field) {
    return ::strtod_l(FieldText(field).text, nullptr, CLocale());
}

long ToVolume(std::string_view field) {
    return ::strtol_l(FieldText(field).text, nullptr, 10, CLocale());
}

// Fills `record` in place so a caller that reuses one record keeps the
// capacity of its strings from line to line.
void CutLine(std::string_view line, DailyPriceRecord& record) {
    record.date.assign(line.substr(0, 10));
    record.name.assign(WithoutTrailingSpace(CutField(line, 40, 30)));
    record.code.assign(WithoutTrailingSpace(CutField(line, 54, 4)));
    record.high = ToPrice(CutField(line, 62, 7));
    record.low = ToPrice(CutField(line, 70, 7));
    record.close = ToPrice(CutField(line, 78, 7));
    record.volume = ToVolume(CutField(line, 96, 9));
    record.open = ToPrice(CutField(line, 134, 7));
}

std::string CannotRead(const std::string& path, int error) {
    return "Cannot read " + path + ": " + ErrnoText(error);
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = CannotRead(path, errno);
        return false;
    }
    // One byte more than the file holds, so a file that does not change while
    // it is read takes one read and the end-of-file read.
    struct stat info {};
    const std::size_t expected =
        ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    bytes.resize(expected + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size())
            bytes.resize(bytes.size() * 2);
        const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int readError = errno;
            ::close(fd);
            if (error)
                *error = CannotRead(path, readError);
            return false;
        }
        used += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(used);
    return true;
}

} // namespace

DailyPriceRecord ParseDailyPriceLine(std::string_view line) {
    DailyPriceRecord record;
    CutLine(line, record);
    return record;
}

void ReadDailyPrices(std::string_view bytes,
                     const std::function<void(const DailyPriceRecord&)>& onRecord) {
    DailyPriceRecord record;
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        const std::string_view window = bytes.substr(offset, WindowSize);
        const std::size_t cr = window.find('\r');
        if (cr == std::string_view::npos || cr == 0)
            return;
        // A NUL before the CR cuts the window short of it: no line there.
        const std::string_view line = window.substr(0, cr);
        if (line.find('\0') != std::string_view::npos)
            return;
        CutLine(line, record);
        onRecord(record);
        // The byte after the CR is skipped whatever it is.
        offset += cr + 2;
    }
}

bool ReadDailyPriceFile(const std::string& path,
                        const std::function<void(const DailyPriceRecord&)>& onRecord,
                        std::string* error) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes, error))
        return false;
    ReadDailyPrices(bytes, onRecord);
    return true;
}

} // namespace kelvarin
