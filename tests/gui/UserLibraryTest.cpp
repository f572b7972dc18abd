#include "app/UserLibrary.h"

#include "app/WorkingFolders.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"
#include "ui/frame/KelvarinApp.h"

#include <QTest>
#include <filesystem>
#include <optional>

using namespace kelvarin::gui;

using kelvarin::test::TempDir;

Q_DECLARE_METATYPE(std::optional<QByteArray>)

// kelvarin --user-library asks Qt for the user's data folder, kelvarin-cli
// works it out without Qt: the two must name the same library.
class UserLibraryTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        KelvarinApp::NameApplication();
        m_home = qgetenv("HOME");
        m_dataHome = qgetenv("XDG_DATA_HOME");
    }

    void cleanup() {
        qputenv("HOME", m_home);
        if (m_dataHome.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_dataHome);
    }

    void qtAndKelvarinCliNameTheSameFolder_data() {
        QTest::addColumn<std::optional<QByteArray>>("home");
        QTest::addColumn<std::optional<QByteArray>>("dataHome");
        const std::optional<QByteArray> unset;
        QTest::newRow("home only") << std::optional<QByteArray>("/home/ann") << unset;
        QTest::newRow("home with a slash") << std::optional<QByteArray>("/home/ann/") << unset;
        QTest::newRow("no home") << unset << unset;
        QTest::newRow("data home")
            << std::optional<QByteArray>("/home/ann") << std::optional<QByteArray>("/data/ann");
        QTest::newRow("data home with a slash")
            << std::optional<QByteArray>("/home/ann") << std::optional<QByteArray>("/data/ann/");
        QTest::newRow("empty data home")
            << std::optional<QByteArray>("/home/ann") << std::optional<QByteArray>("");
        QTest::newRow("relative data home")
            << std::optional<QByteArray>("/home/ann") << std::optional<QByteArray>("data/../ann");
    }

    void qtAndKelvarinCliNameTheSameFolder() {
        QFETCH(std::optional<QByteArray>, home);
        QFETCH(std::optional<QByteArray>, dataHome);
        Set("HOME", home);
        Set("XDG_DATA_HOME", dataHome);
        QCOMPARE(KelvarinApp::UserLibraryFolder(), kelvarin::UserLibraryFolder());
        if (home == "/home/ann" && !dataHome)
            QCOMPARE(kelvarin::UserLibraryFolder(), std::string("/home/ann/.local/share/Kelvarin"));
    }

    void userLibraryIsTheBaseFolderAndTheCurrentFolderStaysEmpty() {
        TempDir data;
        TempDir current;
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.Path()));
        const std::string library = data / "Kelvarin";
        const std::string previous = kelvarin::CurrentDirectory();
        std::filesystem::current_path(current.Path());
        {
            KelvarinApp app("http://127.0.0.1:1", MessageBoxes::Mode::Scripted, true);
            QVERIFY(app.Start());
            QCOMPARE(app.Folders().BaseFolder, library);
            for (const char* folder : {"/zip", "/unzip", "/stocks"})
                QVERIFY2(std::filesystem::is_directory(library + folder), folder);
            QCOMPARE(app.Exit(), 0);
        }
        std::filesystem::current_path(previous);
        QVERIFY(kelvarin::test::FileExists(library + "/kelvarin.ini"));
        QVERIFY(std::filesystem::is_empty(current.Path()));
    }

    void libraryThatCannotBeMadeEndsTheStartWithItsName() {
        TempDir data;
        kelvarin::test::WriteBytes(data / "file", "a file where a folder belongs");
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data / "file"));
        KelvarinApp app("http://127.0.0.1:1", MessageBoxes::Mode::Scripted, true);
        QVERIFY(!app.Start());
        QCOMPARE(app.Messages().Shown(),
                 QStringList("Cannot create the library folder " +
                             QString::fromStdString(data / "file/Kelvarin") + ": Not a directory"));
    }

private:
    static void Set(const char* name, const std::optional<QByteArray>& value) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }

    QByteArray m_home;
    QByteArray m_dataHome;
};

QTEST_MAIN(UserLibraryTest)
#include "UserLibraryTest.moc"
