#include "pipeline/HistoryFile.h"

#include <algorithm>
#include <charconv>

namespace kelvarin {

namespace {

// Every column but the volume is at least this wide, right-aligned.
constexpr std::size_t PriceWidth = 6;

// The widest double in fixed notation with three decimals: sign, 309 digits,
// point and decimals.
constexpr std::size_t PriceBufferSize = 320;

// Prints like "%6.3f" in the "C" locale. printf would take its decimal point
// from LC_NUMERIC, which the desktop front end may change, and a history file
// must read the same whoever wrote it.
void AppendPrice(std::string& row, double value) {
    char text[PriceBufferSize];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3);
    const auto size = static_cast<std::size_t>(result.ptr - text);
    if (size < PriceWidth)
        row.append(PriceWidth - size, ' ');
    row.append(text, size);
}

void AppendVolume(std::string& row, long value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    row.append(text, static_cast<std::size_t>(result.ptr - text));
}

} // namespace

void AppendHistoryRow(std::string& rows, const DailyPriceRecord& record) {
    rows += "\r\n";
    // As "%s" would, the date ends at a NUL should a record ever hold one.
    rows += std::string_view(record.date.c_str());
    for (const double price : {record.open, record.high, record.low, record.close}) {
        rows += '\t';
        AppendPrice(rows, price);
    }
    rows += '\t';
    AppendVolume(rows, record.volume);
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
