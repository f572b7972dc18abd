#include "pipeline/ApplyDailyPriceFile.h"

#include "app/AtomicFile.h"
#include "pipeline/DailyPriceReader.h"
#include "pipeline/HistoryFile.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace kelvarin {

namespace {

// The rows of one daily file for one history file, in line order, so each
// history file is opened and written once per daily file.
struct HistoryRows {
    std::string path;
    std::string rows;
};

// What a history file looked like before this daily file touched it.
struct HistoryBefore {
    bool existed = false;
    off_t size = 0;
};

HistoryBefore Inspect(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return {};
    return {true, status.st_size};
}

// Returns the causes of what could not be taken back, empty when all was.
std::string TakeBack(const std::vector<HistoryRows>& written,
                     const std::vector<HistoryBefore>& before) {
    std::string failures;
    for (std::size_t i = 0; i < written.size(); ++i) {
        const std::string& path = written[i].path;
        const bool restored = before[i].existed ? ::truncate(path.c_str(), before[i].size) == 0
                                                : ::unlink(path.c_str()) == 0;
        if (!restored)
            failures += "; " + path + " could not be restored: " + ErrnoText(errno);
    }
    return failures;
}

} // namespace

bool ApplyDailyPriceFile(const std::string& dailyPath, const std::string& stockFolder, int& records,
                         std::string& error) {
    std::vector<HistoryRows> histories;
    std::unordered_map<std::string, std::size_t> byPath;
    int count = 0;
    const bool read = ReadDailyPriceFile(
        dailyPath,
        [&](const DailyPriceRecord& record) {
            std::string path = HistoryPath(stockFolder, record.name, record.code);
            const auto [at, isNew] = byPath.try_emplace(path, histories.size());
            if (isNew)
                histories.push_back({std::move(path), {}});
            histories[at->second].rows += FormatHistoryRow(record);
            ++count;
        },
        &error);
    if (!read)
        return false;

    std::vector<HistoryBefore> before;
    before.reserve(histories.size());
    for (std::size_t i = 0; i < histories.size(); ++i) {
        before.push_back(Inspect(histories[i].path));
        if (!AppendHistoryRows(histories[i].path, histories[i].rows, &error)) {
            // The failed file has already cut itself back; the ones before it
            // lose what this daily file gave them.
            before.pop_back();
            histories.resize(i);
            error += TakeBack(histories, before);
            return false;
        }
    }
    records = count;
    return true;
}

} // namespace kelvarin
