#include "pipeline/HistoryFile.h"

#include "pipeline/DailyPriceReader.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace kelvarin {

namespace {

// Every column but the volume is at least this wide, right-aligned.
constexpr std::size_t PriceWidth = 6;

// The widest double in fixed notation with three decimals: sign, 309 digits,
// point and decimals.
constexpr std::size_t PriceBufferSize = 320;

// |value| in thousandths, rounded half to even from its exact binary value as
// printf and std::to_chars round it, at a fraction of their cost; false from
// 2^52 on and for infinities and NaNs.
bool ExactThousandths(double value, std::uint64_t& thousandths) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int exponent = static_cast<int>((bits >> 52) & 0x7ff);
    // value = ±mantissa / 2^shift; zeros and subnormals round to 0.
    const int shift = 1075 - exponent;
    if (shift <= 0)
        return false;
    const std::uint64_t mantissa =
        (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    // mantissa * 1000 < 2^63, below half of 2^shift from a shift of 64 on.
    if (exponent == 0 || shift >= 64) {
        thousandths = 0;
        return true;
    }
    const std::uint64_t scaled = mantissa * 1000;
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    const std::uint64_t rest = scaled & ((half << 1) - 1);
    thousandths = scaled >> shift;
    if (rest > half || (rest == half && (thousandths & 1) != 0))
        ++thousandths;
    return true;
}

// Prints like "%6.3f" in the "C" locale at `at`, returning the end. printf
// would take its decimal point from LC_NUMERIC, which the desktop front end
// may change, and a history file must read the same whoever wrote it.
char* PrintPrice(char* at, double value) {
    char text[PriceBufferSize];
    char* end = text;
    std::uint64_t thousandths = 0;
    if (ExactThousandths(value, thousandths)) {
        if (std::signbit(value))
            *end++ = '-';
        end = std::to_chars(end, text + sizeof text, thousandths / 1000).ptr;
        const auto fraction = static_cast<unsigned>(thousandths % 1000);
        end[0] = '.';
        end[1] = static_cast<char>('0' + fraction / 100);
        end[2] = static_cast<char>('0' + fraction / 10 % 10);
        end[3] = static_cast<char>('0' + fraction % 10);
        end += 4;
    } else {
        end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3).ptr;
    }
    const auto size = static_cast<std::size_t>(end - text);
    if (size < PriceWidth)
        at = std::fill_n(at, PriceWidth - size, ' ');
    return std::copy_n(text, size, at);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// 2^52: below it a price prints from its exact thousandths.
constexpr std::uint64_t ExactLimit = std::uint64_t{1} << 52;

// Fifteen digits stay below 2^53, so their value divides exactly.
constexpr int ExactDigits = 15;

// A price as "%6.3f" prints it: "-"? digits, a point and three decimals,
// padded on the left to six characters.
bool ParsePrice(std::string_view field, double& value, std::int64_t& thousandths, bool& exact) {
    std::string_view text = field.substr(std::min(field.find_first_not_of(' '), field.size()));
    const bool negative = text.starts_with('-');
    if (negative)
        text.remove_prefix(1);
    const std::size_t point = text.find('.');
    if (point == 0 || point == std::string_view::npos || text.size() != point + 4)
        return false;
    std::uint64_t whole = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (at == point)
            continue;
        if (!IsDigit(text[at]))
            return false;
        whole = whole * 10 + static_cast<unsigned>(text[at] - '0');
    }
    // More integer digits than the limit has overflow `whole`: never exact.
    exact = exact && point <= 16 && whole / 1000 < ExactLimit;
    if (exact)
        thousandths =
            negative ? -static_cast<std::int64_t>(whole) : static_cast<std::int64_t>(whole);
    if (point + 3 <= ExactDigits) {
        const double magnitude = static_cast<double>(whole) / 1000;
        value = negative ? -magnitude : magnitude;
    } else {
        value = PriceFieldValue(field);
    }
    return true;
}

bool IsWhole(std::string_view text) {
    if (text.starts_with('-'))
        text.remove_prefix(1);
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

// The next tab-separated column of `rest`, which loses it and its tab; false
// when `rest` is used up.
bool NextColumn(std::string_view& rest, bool& more, std::string_view& column) {
    if (!more)
        return false;
    const std::size_t tab = rest.find('\t');
    more = tab != std::string_view::npos;
    column = rest.substr(0, tab);
    rest.remove_prefix(more ? tab + 1 : rest.size());
    return true;
}

} // namespace

bool PriceThousandths(double value, std::int64_t& thousandths) {
    std::uint64_t magnitude = 0;
    if (!ExactThousandths(value, magnitude))
        return false;
    thousandths = std::signbit(value) ? -static_cast<std::int64_t>(magnitude)
                                      : static_cast<std::int64_t>(magnitude);
    return true;
}

bool DateKeyOf(std::string_view date, std::uint32_t& key) {
    if (date.size() != 10 || date[4] != '-' || date[7] != '-')
        return false;
    key = 0;
    for (const std::size_t at : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (!IsDigit(date[at]))
            return false;
        key = key * 10 + static_cast<std::uint32_t>(date[at] - '0');
    }
    return true;
}

bool ParseHistoryRow(std::string_view line, HistoryRow& row) {
    std::string_view rest = line;
    bool more = true;
    std::string_view date;
    std::string_view prices[4];
    std::string_view volume;
    if (!NextColumn(rest, more, date) || !DateKeyOf(date, row.dateKey))
        return false;
    for (std::string_view& price : prices) {
        if (!NextColumn(rest, more, price))
            return false;
    }
    if (!NextColumn(rest, more, volume) || more || !IsWhole(volume))
        return false;
    row.date = date;
    row.volume = VolumeFieldValue(volume);
    row.exact = true;
    return ParsePrice(prices[0], row.open, row.thousandths[0], row.exact) &&
           ParsePrice(prices[1], row.high, row.thousandths[1], row.exact) &&
           ParsePrice(prices[2], row.low, row.thousandths[2], row.exact) &&
           ParsePrice(prices[3], row.close, row.thousandths[3], row.exact);
}

void AppendHistoryRow(std::string& rows, const DailyPriceRecord& record) {
    rows += "\r\n";
    // As "%s" would, the date ends at a NUL should a record ever hold one.
    rows += std::string_view(record.date.c_str());
    // The rest of the row is put together here and added in one go.
    char text[4 * (PriceBufferSize + 1) + 24];
    char* at = text;
    for (const double price : {record.open, record.high, record.low, record.close}) {
        *at++ = '\t';
        at = PrintPrice(at, price);
    }
    *at++ = '\t';
    at = std::to_chars(at, text + sizeof text, record.volume).ptr;
    rows.append(text, static_cast<std::size_t>(at - text));
}

std::string FormatHistoryRow(const DailyPriceRecord& record) {
    std::string row;
    row.reserve(64);
    AppendHistoryRow(row, record);
    return row;
}

std::string HistoryPath(const std::string& stockFolder, std::string_view name,
                        std::string_view code) {
    std::string path;
    path.reserve(stockFolder.size() + name.size() + code.size() + 7);
    path += stockFolder;
    const std::size_t nameStart = path.size();
    path += name;
    path += " (";
    const std::size_t codeStart = path.size();
    path += code;
    path += ").txt";
    // A "/" in a name or code would lead out of the stock folder or into a
    // subfolder of it; nothing else in them is touched.
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(nameStart),
                 path.begin() + static_cast<std::ptrdiff_t>(nameStart + name.size()), '/', '_');
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(codeStart),
                 path.begin() + static_cast<std::ptrdiff_t>(codeStart + code.size()), '/', '_');
    return path;
}

} // namespace kelvarin
