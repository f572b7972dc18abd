#include "pipeline/DailyPriceReader.h"
#include "pipeline/HistoryFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

// Records are cut out of the line by fixed columns, so no field can be wider
// than its column whatever the bytes hold.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::size_t records = 0;
    kelvarin::ReadDailyPrices(bytes, [&records](const kelvarin::DailyPriceRecord& record) {
        if (record.date.size() > 10 || record.name.size() > 30 || record.code.size() > 4)
            std::abort();
        ++records;
    });
    // Every record ends with a CR and the byte after it.
    if (records * 2 > size)
        std::abort();
    // The row made straight from a line's text is the row of its record.
    kelvarin::DailyPriceLines lines(bytes);
    std::string_view line;
    std::string fromText;
    std::string fromRecord;
    while (lines.Next(line)) {
        kelvarin::AppendHistoryRow(fromText, kelvarin::CutDailyPriceLine(line));
        kelvarin::AppendHistoryRow(fromRecord, kelvarin::ParseDailyPriceLine(line));
    }
    if (fromText != fromRecord)
        std::abort();
    kelvarin::ParseDailyPriceLine(bytes);
    return 0;
}
