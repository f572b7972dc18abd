#include "GuiHarness.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <QIcon>
#include <QImage>
#include <QListWidget>
#include <QTest>
#include <filesystem>

using namespace kelvarin::gui;

using kelvarin::test::TempDir;
using kelvarin::test::WriteBytes;

namespace {

// A small icon theme of the test's own, so what the rows show does not hang
// on the machine's desktop. .dat has no type of its own and falls back to
// the generic icon of its family.
constexpr const char* ThemeIcons[] = {"application-zip", "text-plain", "application-x-generic"};

void MakeTheme(const TempDir& dir) {
    std::filesystem::create_directories(dir / "kvtest/mimetypes/16");
    WriteBytes(dir / "kvtest/index.theme", "[Icon Theme]\nName=kvtest\nDirectories=mimetypes/16\n"
                                           "\n[mimetypes/16]\nSize=16\nType=Fixed\n");
    QImage image(16, 16, QImage::Format_ARGB32);
    for (const char* name : ThemeIcons) {
        image.fill(QColor::fromRgb(qHash(QByteArray(name))));
        QVERIFY(image.save(QString::fromStdString(dir / "kvtest/mimetypes/16/") + name + ".png"));
    }
    QIcon::setThemeSearchPaths({QString::fromStdString(dir.Path())});
    QIcon::setThemeName("kvtest");
}

QIcon RowIcon(GuiHarness& gui, const char* list, const QString& text) {
    return gui.Get<QListWidget>(list).item(gui.RowOf(list, text))->icon();
}

} // namespace

class FileIconsTest : public QObject {
    Q_OBJECT
private slots:
    void eachFileShowsItsTypesIconFromTheTheme() {
        TempDir theme;
        MakeTheme(theme);
        GuiHarness gui;
        for (const char* folder : {"zip", "unzip", "stocks"})
            std::filesystem::create_directory(gui.Base() + "/" + folder);
        for (const char* file : {"zip/SGX20040123.zip", "zip/SGX20040126.zip", "zip/.notes.txt",
                                 "unzip/SGX20040123.dat", "stocks/A.txt"})
            WriteBytes(gui.Base() + "/" + file, "x");
        gui.Start();

        const QIcon archive = RowIcon(gui, "zipList", "SGX20040123.zip");
        QCOMPARE(archive.name(), QString("application-zip"));
        QCOMPARE(RowIcon(gui, "zipList", ".notes.txt").name(), QString("text-plain"));
        QCOMPARE(RowIcon(gui, "unzipList", "SGX20040123.dat").name(),
                 QString("application-x-generic"));
        QCOMPARE(RowIcon(gui, "stockList", "A.txt").name(), QString("text-plain"));
        // Looked up once per type, not per row.
        QCOMPARE(RowIcon(gui, "zipList", "SGX20040126.zip").cacheKey(), archive.cacheKey());
        QVERIFY(!QStringList({ThemeIcons[0], ThemeIcons[1], ThemeIcons[2]})
                     .contains(RowIcon(gui, "zipList", "..").name()));
    }
};

QTEST_MAIN(FileIconsTest)
#include "FileIconsTest.moc"
