#include "exchange/DailyPriceFile.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace kelvarin::exchange {

namespace {

void PutText(char* line, std::size_t first, std::size_t width, const std::string& text) {
    std::memcpy(line + first, text.data(), std::min(width, text.size()));
}

// Right-aligned decimal digits ending just before `end`; returns where they start.
char* PutDigits(char* end, std::uint64_t value) {
    do {
        *--end = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return end;
}

// Same text as printf's "%7.3f" for a price in thousandths; hand-made
// because a benchmark renders millions of these.
void PutPrice(char* line, std::size_t first, std::int32_t thousandths) {
    constexpr std::size_t Width = 7;
    if (thousandths < 0 || thousandths > 999999)
        throw std::out_of_range("price does not fit the daily file: " +
                                std::to_string(thousandths));
    char* end = line + first + Width;
    const auto value = static_cast<std::uint32_t>(thousandths);
    end[-1] = static_cast<char>('0' + value % 10);
    end[-2] = static_cast<char>('0' + value / 10 % 10);
    end[-3] = static_cast<char>('0' + value / 100 % 10);
    end[-4] = '.';
    PutDigits(end - 4, value / 1000);
}

void PutVolume(char* line, std::size_t first, std::int64_t volume) {
    constexpr std::size_t Width = 9;
    if (volume < 0 || volume > 999999999)
        throw std::out_of_range("volume does not fit the daily file: " + std::to_string(volume));
    PutDigits(line + first + Width, static_cast<std::uint64_t>(volume));
}

} // namespace

std::string DailyPriceFile::Render(const std::string& date, const std::vector<DailyQuote>& quotes) {
    std::string out;
    out.reserve(quotes.size() * (LineLength + 2));
    for (const DailyQuote& quote : quotes)
        AppendLine(out, date, quote);
    return out;
}

void DailyPriceFile::AppendLine(std::string& out, const std::string& date,
                                const DailyQuote& quote) {
    char line[LineLength + 2];
    std::memset(line, ' ', LineLength);
    line[LineLength] = '\r';
    line[LineLength + 1] = '\n';
    PutText(line, 0, 10, date);
    PutText(line, 11, 30, quote.stock->name);
    PutText(line, 51, 4, quote.stock->code);
    PutPrice(line, 56, quote.high);
    PutPrice(line, 64, quote.low);
    PutPrice(line, 72, quote.close);
    PutVolume(line, 88, quote.volume);
    PutPrice(line, 128, quote.open);
    out.append(line, sizeof line);
}

} // namespace kelvarin::exchange
