#include "pipeline/DailyPriceReader.h"

#include "app/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>

namespace kelvarin {

namespace {

// A line is read only when its CR lies within this many bytes of the line's
// start, so a line of 500 characters or more ends the file.
constexpr std::size_t WindowSize = 500;

// The first length at which every field lies inside the line.
constexpr std::size_t FullLine = 135;

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
    return {line.data() + start, end - start};
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

std::string_view WithoutTrailingSpace(std::string_view text) {
    // Names are padded with spaces to thirty characters: eight at a time
    // first, one compare each.
    constexpr std::string_view Spaces = "        ";
    while (text.ends_with(Spaces))
        text.remove_suffix(Spaces.size());
    while (!text.empty() && IsCSpace(text.back()))
        text.remove_suffix(1);
    return text;
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

// Fifteen digits stay below 2^53.
constexpr int MaxExactDigits = 15;
constexpr double PowersOfTen[MaxExactDigits + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                    1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

} // namespace

bool PlainDecimalValue(std::string_view text, double& value) {
    const char* const end = text.data() + text.size();
    bool negative = false;
    const char* at = SkipSpaceAndSign(text.data(), end, negative);
    std::uint64_t mantissa = 0;
    const auto readDigits = [&] {
        const char* const first = at;
        for (; at != end && IsDigit(*at); ++at)
            mantissa = mantissa * 10 + static_cast<unsigned>(*at - '0');
        return static_cast<int>(at - first);
    };
    int digits = readDigits();
    int fractionDigits = 0;
    if (at != end && *at == '.') {
        ++at;
        fractionDigits = readDigits();
        digits += fractionDigits;
    }
    // No digits ("inf", "nan", "-", blank), more digits than a double holds
    // exactly, or a next character that could carry the number on (exponent,
    // hexadecimal, a second point): left to the C library.
    if (digits == 0 || digits > MaxExactDigits)
        return false;
    if (at != end && (*at == '.' || *at == 'e' || *at == 'E' || *at == 'x' || *at == 'X'))
        return false;
    // Below 2^53 the mantissa and every power of ten up to 1e15 are exact
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
    const char* const first = at;
    unsigned long magnitude = 0;
    for (; at != end && IsDigit(*at); ++at)
        magnitude = magnitude * 10 + static_cast<unsigned>(*at - '0');
    // Beyond this many digits strtol may clamp; left to it.
    if (at - first > std::numeric_limits<long>::digits10)
        return false;
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

DailyPriceFields CutDailyPriceLine(std::string_view line) {
    // A line as the exchange writes it holds every field where the table puts
    // it, and cutting needs no bounds.
    if (line.size() >= FullLine) {
        const char* const at = line.data();
        return {{at, 10},
                WithoutTrailingSpace({at + 11, 30}),
                WithoutTrailingSpace({at + 51, 4}),
                {at + 128, 7},
                {at + 56, 7},
                {at + 64, 7},
                {at + 72, 7},
                {at + 88, 9}};
    }
    return {line.substr(0, 10),
            WithoutTrailingSpace(CutField(line, 40, 30)),
            WithoutTrailingSpace(CutField(line, 54, 4)),
            CutField(line, 134, 7),
            CutField(line, 62, 7),
            CutField(line, 70, 7),
            CutField(line, 78, 7),
            CutField(line, 96, 9)};
}

namespace {

// Fills `record` in place so a caller that reuses one record keeps the
// capacity of its strings from line to line.
void CutLine(std::string_view line, DailyPriceRecord& record) {
    const DailyPriceFields fields = CutDailyPriceLine(line);
    record.date.assign(fields.date);
    record.name.assign(fields.name);
    record.code.assign(fields.code);
    record.open = PriceFieldValue(fields.open);
    record.high = PriceFieldValue(fields.high);
    record.low = PriceFieldValue(fields.low);
    record.close = PriceFieldValue(fields.close);
    record.volume = VolumeFieldValue(fields.volume);
}

} // namespace

DailyPriceRecord ParseDailyPriceLine(std::string_view line) {
    DailyPriceRecord record;
    CutLine(line, record);
    return record;
}

// The first NUL is searched for again only once the offset has passed it:
// one search for a whole file that holds none.
DailyPriceLines::DailyPriceLines(std::string_view bytes)
    : m_bytes(bytes), m_nul(bytes.find('\0')) {}

bool DailyPriceLines::Next(std::string_view& line) {
    if (m_offset >= m_bytes.size())
        return false;
    const std::string_view window = m_bytes.substr(m_offset, WindowSize);
    const std::size_t cr = window.find('\r');
    if (cr == std::string_view::npos || cr == 0)
        return Stop();
    if (m_nul < m_offset)
        m_nul = m_bytes.find('\0', m_offset);
    // A NUL before the CR cuts the window short of it: no line there.
    if (m_nul < m_offset + cr)
        return Stop();
    line = window.substr(0, cr);
    // The byte after the CR is skipped whatever it is.
    m_offset += cr + 2;
    return true;
}

bool DailyPriceLines::Stop() {
    m_offset = m_bytes.size();
    return false;
}

void ReadDailyPrices(std::string_view bytes,
                     const std::function<void(const DailyPriceRecord&)>& onRecord) {
    DailyPriceRecord record;
    DailyPriceLines lines(bytes);
    std::string_view line;
    while (lines.Next(line)) {
        CutLine(line, record);
        onRecord(record);
    }
}

bool ReadDailyPriceFile(const std::string& path,
                        const std::function<void(const DailyPriceRecord&)>& onRecord,
                        std::string* error) {
    WholeFile bytes;
    if (!bytes.Read(path)) {
        if (error)
            *error = CannotMessage("read", path, errno);
        return false;
    }
    ReadDailyPrices(bytes.View(), onRecord);
    return true;
}

} // namespace kelvarin
