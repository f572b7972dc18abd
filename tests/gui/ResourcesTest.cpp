#include "support/TempDir.h"
#include "support/TestPaths.h"

#include <QImageReader>
#include <QProcess>
#include <QTest>
#include <filesystem>

// The resources live in a static library, which hands a program only the
// objects something in it refers to; so the check runs on the built kelvarin
// itself, with StartUpProbe preloaded into it.
class ResourcesTest : public QObject {
    Q_OBJECT
private slots:
    void aboutPictureAndWindowIconLoadInTheBuiltProgram() {
        kelvarin::test::TempDir base;
        // Folders present, so no message box comes before the About box.
        for (const char* folder : {"zip", "unzip", "stocks"})
            std::filesystem::create_directory(base / folder);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LD_PRELOAD", KELVARIN_START_UP_PROBE);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        // A sanitised build wants its runtime first among the preloads; the
        // program's leaks at exit are another test's business.
        environment.insert("ASAN_OPTIONS", "verify_asan_link_order=0:detect_leaks=0");
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(QString::fromStdString(base.Path()));
        program.start(QString(kelvarin::test::BinaryDir) + "/src/ui/kelvarin", {});
        QVERIFY(program.waitForFinished(60000));
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        QCOMPARE(program.exitCode(), 0);

        const QString res = QString(kelvarin::test::SourceDir) + "/res/";
        const QSize picture = QImageReader(res + "about-136.png").size();
        const QSize icon = QImageReader(res + "icons/kelvarin-64.png").size();
        QVERIFY(picture.isValid() && icon.isValid());
        const auto text = [](QSize size) {
            return QString("%1x%2").arg(size.width()).arg(size.height());
        };
        // The start page's lines follow, once the About box is closed.
        QCOMPARE(out.split('\n').mid(0, 2),
                 QStringList({"picture " + text(picture), "icon " + text(icon)}));
    }
};

QTEST_MAIN(ResourcesTest)
#include "ResourcesTest.moc"
