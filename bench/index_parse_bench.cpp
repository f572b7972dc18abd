// Connect's parse of an index page of 10,000 archive links, as the simulated
// exchange writes it (newest first, among the site's other links), and the
// filling of the remote list: the way Connect does it (sorted once, added in
// order) against adding the items one by one in page order. Target under 10 ms.
//
//   cmake --build <build> --target index_parse_bench
//   <build>/bench/index_parse_bench [links=10000] [runs=30]

#include "BenchTools.h"
#include "exchange/IndexPage.h"
#include "exchange/MarketGenerator.h"
#include "pipeline/IndexParse.h"
#include "pipeline/MemoryList.h"

#include <cstdio>

using namespace kelvarin;
using namespace kelvarin::bench;

int main(int argc, char** argv) {
    const std::size_t links = argc > 1 ? std::stoul(argv[1]) : 10000;
    const int runs = argc > 2 ? std::stoi(argv[2]) : 30;

    exchange::MarketSettings settings;
    settings.days = links;
    settings.stocks = 1;
    const exchange::MarketGenerator market(settings);
    const std::string page = exchange::IndexPage::Build(market, {}, 0);

    std::vector<double> parse, connect, pageOrder;
    MemoryList list;
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        std::vector<std::string> items = ParseIndexPage(page);
        parse.push_back(SecondsSince(start));
        if (items.size() != links)
            Fail("parsed " + std::to_string(items.size()) + " items");

        start = Clock::now();
        FillRemoteList(list, ParseIndexPage(page));
        connect.push_back(SecondsSince(start));
        if (list.Count() != static_cast<int>(links) || list.Text(0) > list.Text(1))
            Fail("the remote list is not filled in order");

        // The reference: each item inserted at its sorted place as it comes.
        if (run < 3) {
            start = Clock::now();
            list.Clear();
            for (const std::string& item : ParseIndexPage(page))
                list.Add(item);
            pageOrder.push_back(SecondsSince(start));
        }
    }

    std::printf("Index page of %zu links, %.1f KB; %d runs; load %s\n", links, page.size() / 1e3,
                runs, LoadAverage().c_str());
    std::printf("  ParseIndexPage alone             : median %6.2f ms, best %6.2f ms\n",
                Median(parse) * 1e3, Best(parse) * 1e3);
    std::printf("  parse + FillRemoteList (Connect) : median %6.2f ms, best %6.2f ms "
                "(target < 10 ms)\n",
                Median(connect) * 1e3, Best(connect) * 1e3);
    std::printf("  parse + Add in page order (ref.) : median %6.2f ms, best %6.2f ms\n",
                Median(pageOrder) * 1e3, Best(pageOrder) * 1e3);
    std::printf("\nReproduce:\n  %s %zu %d\n", argv[0], links, runs);
    return 0;
}
