// The naive reference of the Update rebuild: the daily files of UNZIP in name
// order, every record appended to its history file in STOCKS by opening the
// file, writing the row (and the header first when the file is new) and
// closing it again. Records and rows come from the same reader and row format
// as the Update stage, so only the way of writing differs.
//
//   <build>/bench/naive_update UNZIP STOCKS

#include "BenchFiles.h"
#include "app/FileAccess.h"
#include "pipeline/DailyPriceReader.h"
#include "pipeline/HistoryFile.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace kelvarin;
using namespace kelvarin::bench;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s UNZIP STOCKS\n", argv[0]);
        return 2;
    }
    const std::string unzip = std::string(argv[1]) + "/";
    const std::string stocks = std::string(argv[2]) + "/";
    std::size_t records = 0;
    std::string row;
    for (const std::string& name : FilesIn(unzip)) {
        if (!name.ends_with(".dat"))
            continue;
        const bool read = ReadDailyPriceFile(unzip + name, [&](const DailyPriceRecord& record) {
            const std::string path = HistoryPath(stocks, record.name, record.code);
            row.clear();
            AppendHistoryRow(row, record);
            int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
            if (fd < 0) {
                fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
                if (fd < 0 || !WriteAll(fd, HistoryHeader))
                    Fail("cannot create " + path);
            }
            if (!WriteAll(fd, row) || ::close(fd) != 0)
                Fail("cannot write " + path);
            ++records;
        });
        if (!read)
            Fail("cannot read " + unzip + name);
    }
    std::printf("%zu records\n", records);
    return 0;
}
