// The list refresh of a stage folder of 10,000 files in the core: the folder
// listing alone, and RefreshFileList into the in-memory list, as the
// command-line program shows a stage list. Target under 50 ms.
//
//   cmake --build <build> --target list_refresh_bench
//   <build>/bench/list_refresh_bench [files=10000] [runs=30] [folder=/tmp/kelvarin-list-bench]

#include "BenchFiles.h"
#include "ListFolder.h"
#include "SilentFrontEnd.h"
#include "app/FixedNames.h"
#include "pipeline/FolderListing.h"
#include "pipeline/MemoryList.h"
#include "pipeline/Stages.h"

#include <cstdio>

using namespace kelvarin;
using namespace kelvarin::bench;

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::stoi(argv[1]) : 10000;
    const int runs = argc > 2 ? std::stoi(argv[2]) : 30;
    const std::string folder = argc > 3 ? argv[3] : "/tmp/kelvarin-list-bench";

    MakeListFolder(folder, files);
    const std::string path = folder + "/";

    std::vector<double> listing, refresh;
    SilentFrontEnd frontEnd;
    MemoryList list;
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        const FolderListing listed = ListStageFolder(path, DatPattern);
        listing.push_back(SecondsSince(start));
        if (listed.count != files)
            Fail("listed " + std::to_string(listed.count) + " files");

        start = Clock::now();
        RefreshFileList(path, list, DatPattern, frontEnd);
        refresh.push_back(SecondsSince(start));
        if (list.FileCount() != files || list.Count() != files + 2)
            Fail("the list holds " + std::to_string(list.Count()) + " rows");
    }

    std::printf("List refresh of %s (%d .dat files, %d rows); %d runs; load %s\n", path.c_str(),
                files, list.Count(), runs, LoadAverage().c_str());
    std::printf("  ListStageFolder           : median %6.2f ms, best %6.2f ms\n",
                Median(listing) * 1e3, Best(listing) * 1e3);
    std::printf("  RefreshFileList, MemoryList: median %6.2f ms, best %6.2f ms (target < 50 ms)\n",
                Median(refresh) * 1e3, Best(refresh) * 1e3);
    std::printf("\nReproduce:\n  %s %d %d %s\n", argv[0], files, runs, folder.c_str());
    return 0;
}
