// Writes DAYS daily price files of STOCKS stocks into FOLDER, named as the
// Unzip stage names them (SGX20040102.dat ...), from the simulated exchange's
// generator: the input of update_bench and naive_update.
//
//   <build>/bench/update_bench_generate FOLDER [days=5000] [stocks=800] [seed=1]

#include "BenchFiles.h"
#include "exchange/DailyPriceFile.h"
#include "exchange/MarketGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace kelvarin;
using namespace kelvarin::bench;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [days=5000] [stocks=800] [seed=1]\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    exchange::MarketSettings settings;
    settings.days = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 5000;
    settings.stocks = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 800;
    settings.seed = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 1;
    const exchange::MarketGenerator market(settings);
    MakeFolder(folder);
    std::size_t bytes = 0;
    for (std::size_t day = 0; day < market.DayCount(); ++day) {
        std::string name = "SGX";
        for (const char c : market.IdOf(day))
            if (c != '-')
                name += c;
        const std::string content =
            exchange::DailyPriceFile::Render(market.IdOf(day), market.QuotesOn(day));
        WriteWhole(folder + "/" + name + ".dat", content);
        bytes += content.size();
    }
    std::printf("%zu daily files of %zu stocks, %.1f MB, in %s\n", market.DayCount(),
                settings.stocks, bytes / 1e6, folder.c_str());
    return 0;
}
