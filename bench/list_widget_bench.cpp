// The desktop program's lists filled with 10,000 rows: the list refresh of a
// stage folder into its list widget (target under 200 ms), and the remote
// list filled by Connect from a parsed index page, the way Connect does it
// (sorted once, added in order) against adding the items in page order.
//
//   cmake --build <build> --target list_widget_bench   (configured with KELVARIN_BUILD_GUI=ON)
//   QT_QPA_PLATFORM=offscreen <build>/bench/list_widget_bench [files=10000] [runs=10]
//   [folder=/tmp/kelvarin-list-bench]

#include "BenchTools.h"
#include "ListFolder.h"
#include "SilentFrontEnd.h"
#include "exchange/IndexPage.h"
#include "exchange/MarketGenerator.h"
#include "pipeline/IndexParse.h"
#include "pipeline/Stages.h"
#include "ui/form/ListAdapters.h"
#include "ui/form/StageListView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

using namespace kelvarin;
using namespace kelvarin::bench;
using namespace kelvarin::gui;

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::stoi(argv[1]) : 10000;
    const int runs = argc > 2 ? std::stoi(argv[2]) : 10;
    const std::string folder = argc > 3 ? argv[3] : "/tmp/kelvarin-list-bench";
    QApplication application(argc, argv);

    MakeListFolder(folder, files);
    const std::string path = folder + "/";

    // A list of the form's size at its usual place in a maximised window.
    StageListView fileView;
    QLineEdit edit;
    QLabel count;
    const FileIcons icons;
    FileListAdapter fileList(fileView, edit, count, icons);
    fileView.resize(160, 400);
    fileView.show();
    SilentFrontEnd frontEnd;

    std::vector<double> fill, shown;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        RefreshFileList(path, fileList, DatPattern, frontEnd);
        fill.push_back(SecondsSince(start));
        // The laying out and painting the refresh brings about.
        QApplication::processEvents();
        shown.push_back(SecondsSince(start));
        if (fileList.Count() != files + 2 || count.text() != QString::number(files))
            Fail("the widget holds " + std::to_string(fileList.Count()) + " rows");
    }

    exchange::MarketSettings settings;
    settings.days = static_cast<std::size_t>(files);
    settings.stocks = 1;
    const exchange::MarketGenerator market(settings);
    const std::string page = exchange::IndexPage::Build(market, {}, 0);
    StageListView remoteView;
    RemoteListAdapter remoteList(remoteView);
    remoteView.resize(160, 400);
    remoteView.show();
    std::vector<double> connect;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        FillRemoteList(remoteList, ParseIndexPage(page));
        QApplication::processEvents();
        connect.push_back(SecondsSince(start));
        if (remoteList.Count() != files || remoteList.Text(0) > remoteList.Text(1))
            Fail("the remote list is not filled in order");
    }
    // The reference, once: each item inserted at its sorted place as it comes.
    auto start = Clock::now();
    remoteList.Clear();
    for (const std::string& item : ParseIndexPage(page))
        remoteList.Add(item);
    QApplication::processEvents();
    const double pageOrder = SecondsSince(start);

    std::printf("List widgets of %d rows, Qt platform %s; %d runs; load %s\n", files,
                qPrintable(QApplication::platformName()), runs, LoadAverage().c_str());
    std::printf("  stage list: RefreshFileList into the widget : median %6.1f ms, best %6.1f ms\n",
                Median(fill) * 1e3, Best(fill) * 1e3);
    std::printf("              the same, laid out and painted  : median %6.1f ms, best %6.1f ms "
                "(target < 200 ms)\n",
                Median(shown) * 1e3, Best(shown) * 1e3);
    std::printf("  remote list: parse + FillRemoteList, painted: median %6.1f ms, best %6.1f ms\n",
                Median(connect) * 1e3, Best(connect) * 1e3);
    std::printf("               parse + Add in page order (ref): %6.1f ms, once\n",
                pageOrder * 1e3);
    std::printf("\nReproduce:\n  QT_QPA_PLATFORM=offscreen %s %d %d %s\n", argv[0], files, runs,
                folder.c_str());
    return 0;
}
