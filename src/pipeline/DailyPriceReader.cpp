#include "pipeline/DailyPriceReader.h"

#include "app/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <limits>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {

namespace {

// A line is read only when its CR lies within this many bytes of the line's
// start, so a line of 500 characters or more ends the file.
constexpr std::size_t WindowSize = 500;

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

// The field sits inside the line without a terminating NUL, which the C
// conversions need.
template <typename Convert> auto WithTerminator(std::string_view field, Convert convert) {
    char text[16];
    if (field.size() >= sizeof text)
        return convert(std::string(field).c_str());
    std::memcpy(text, field.data(), field.size());
    text[field.size()] = '\0';
    return convert(text);
}

bool IsCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Past leading white space and a sign, as strtod and strtol skip them.
const char* SkipSpaceAndSign(const char* at, const char* end, bool& negative) {
    while (at != end && IsCSpace(*at))
        ++at;
    negative = at != end && *at == '-';
    if (at != end && (*at == '-' || *at == '+'))
        ++at;
    return at;
}

constexpr double PowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr int MaxExactDigits = 15;

} // namespace

bool PlainDecimalValue(std::string_view text, double& value) {
    const char* const end = text.data() + text.size();
    bool negative = false;
    const char* at = SkipSpaceAndSign(text.data(), end, negative);
    std::uint64_t mantissa = 0;
    int significant = 0;
    int fractionDigits = 0;
    bool digits = false;
    bool point = false;
    for (; at != end; ++at) {
        if (IsDigit(*at)) {
            digits = true;
            if ((mantissa != 0 || *at != '0') && ++significant > MaxExactDigits)
                return false;
            mantissa = mantissa * 10 + static_cast<unsigned>(*at - '0');
            fractionDigits += point ? 1 : 0;
        } else if (*at == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    // No digits ("inf", "nan", "-", blank), too many fraction digits for an
    // exact power of ten, or a next character that could carry the number on
    // (exponent, hexadecimal, a second point): left to the C library.
    if (!digits || fractionDigits >= static_cast<int>(std::size(PowersOfTen)))
        return false;
    if (at != end && (*at == '.' || *at == 'e' || *at == 'E' || *at == 'x' || *at == 'X'))
        return false;
    // Below 2^53 the mantissa and every power of ten up to 1e22 are exact
    // doubles, and one IEEE division rounds correctly, so this is the
    // correctly rounded value strtod gives, at a fraction of its cost.
    const double magnitude = static_cast<double>(mantissa) / PowersOfTen[fractionDigits];
    value = negative ? -magnitude : magnitude;
    return true;
}

bool PlainWholeValue(std::string_view text, long& value) {
    const char* const end = text.data() + text.size();
    bool negative = false;
    const char* at = SkipSpaceAndSign(text.data(), end, negative);
    unsigned long magnitude = 0;
    int significant = 0;
    for (; at != end && IsDigit(*at); ++at) {
        // Beyond this many digits strtol may clamp; left to it.
        if ((magnitude != 0 || *at != '0') && ++significant > std::numeric_limits<long>::digits10)
            return false;
        magnitude = magnitude * 10 + static_cast<unsigned>(*at - '0');
    }
    value = negative ? -static_cast<long>(magnitude) : static_cast<long>(magnitude);
    return true;
}

double PriceFieldValue(std::string_view field) {
    double value = 0;
    if (PlainDecimalValue(field, value))
        return value;
    return WithTerminator(field,
                          [](const char* text) { return ::strtod_l(text, nullptr, CLocale()); });
}

long VolumeFieldValue(std::string_view field) {
    long value = 0;
    if (PlainWholeValue(field, value))
        return value;
    return WithTerminator(
        field, [](const char* text) { return ::strtol_l(text, nullptr, 10, CLocale()); });
}

namespace {

// Fills `record` in place so a caller that reuses one record keeps the
// capacity of its strings from line to line.
void CutLine(std::string_view line, DailyPriceRecord& record) {
    record.date.assign(line.substr(0, 10));
    record.name.assign(WithoutTrailingSpace(CutField(line, 40, 30)));
    record.code.assign(WithoutTrailingSpace(CutField(line, 54, 4)));
    record.high = PriceFieldValue(CutField(line, 62, 7));
    record.low = PriceFieldValue(CutField(line, 70, 7));
    record.close = PriceFieldValue(CutField(line, 78, 7));
    record.volume = VolumeFieldValue(CutField(line, 96, 9));
    record.open = PriceFieldValue(CutField(line, 134, 7));
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
