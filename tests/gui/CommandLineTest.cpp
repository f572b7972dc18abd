#include "ui/frame/CommandLine.h"

#include "app/WorkingFolders.h"
#include "support/FileBytes.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

#include <QTest>
#include <filesystem>
#include <sstream>
#include <unistd.h>

using namespace kelvarin::gui;

using kelvarin::test::ProcessOutput;
using kelvarin::test::RunProcess;

namespace {

std::optional<std::string> Parse(const QStringList& arguments, std::string& err) {
    std::ostringstream stream;
    std::optional<std::string> server = ServerFromCommandLine(arguments, stream);
    err = stream.str();
    return server;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

// The desktop program's command line: an unknown option never keeps it from
// starting, and its server address passes the same check as kelvarin-cli's.
class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void unknownOptionIsWarnedAboutAndIgnored() {
        std::string err;
        const auto server =
            Parse({"kelvarin", "--bogus", "--server", "http://127.0.0.1:8080/"}, err);
        QVERIFY(server.has_value());
        QCOMPARE(*server, std::string("http://127.0.0.1:8080"));
        QVERIFY2(Contains(err, "'bogus'"), err.c_str());
    }

    void refusedAddressIsNamed() {
        for (const char* address : {"ftp://127.0.0.1:8080", "127.0.0.1:8080", ""}) {
            std::string err;
            QVERIFY(!Parse({"kelvarin", "--server", address}, err).has_value());
            QVERIFY2(Contains(err, '"' + std::string(address) + '"'), err.c_str());
        }
        std::string err;
        QVERIFY(!Parse({"kelvarin", "--server"}, err).has_value());
    }

    void cacertOutranksTheEnvironmentAndMustBeReadable() {
        const kelvarin::test::TempDir dir;
        const std::string file = dir / "authority.pem";
        kelvarin::test::WriteBytes(file, "");
        qputenv("CURL_CA_BUNDLE", "/from/the/environment.pem");
        kelvarin::TransferSettings transfer;
        std::ostringstream err;
        QVERIFY(ServerFromCommandLine({"kelvarin"}, err, nullptr, &transfer).has_value());
        QCOMPARE(transfer.trust.caFile, std::string("/from/the/environment.pem"));
        QVERIFY(ServerFromCommandLine({"kelvarin", "--cacert", QString::fromStdString(file)}, err,
                                      nullptr, &transfer)
                    .has_value());
        qunsetenv("CURL_CA_BUNDLE");
        QCOMPARE(transfer.trust.caFile, file);

        const std::string missing = dir / "missing.pem";
        QVERIFY(!ServerFromCommandLine({"kelvarin", "--cacert", QString::fromStdString(missing)},
                                       err, nullptr, &transfer)
                     .has_value());
        QVERIFY2(Contains(err.str(), '"' + missing + "\" cannot be read"), err.str().c_str());
    }

    void connectionsAreANumberFromOneToSixteen() {
        kelvarin::TransferSettings transfer;
        std::ostringstream err;
        QVERIFY(ServerFromCommandLine({"kelvarin"}, err, nullptr, &transfer).has_value());
        QCOMPARE(transfer.connections, kelvarin::DefaultConnections);
        for (const char* count : {"1", "16"}) {
            QVERIFY(
                ServerFromCommandLine({"kelvarin", "--connections", count}, err, nullptr, &transfer)
                    .has_value());
            QCOMPARE(transfer.connections, std::stoi(count));
        }
        for (const char* count : {"0", "17", "-1", "4x", ""}) {
            std::ostringstream refused;
            QVERIFY(!ServerFromCommandLine({"kelvarin", "--connections", count}, refused, nullptr,
                                           &transfer)
                         .has_value());
            QVERIFY2(Contains(refused.str(), "--connections takes a number from 1 to 16, not \"" +
                                                 std::string(count) + '"'),
                     refused.str().c_str());
        }
    }

    void addressFromTheEnvironmentIsCheckedToo() {
        qputenv("KELVARIN_SERVER", "https://prices.example/");
        std::string err;
        const auto server = Parse({"kelvarin"}, err);
        qunsetenv("KELVARIN_SERVER");
        QCOMPARE(server.value_or("refused"), std::string("https://prices.example"));
    }

    // --version ends the program before its window opens, after the warning.
    void builtProgramGoesOnPastAnUnknownOption() {
        const ProcessOutput result =
            RunProcess({kelvarin::test::GuiBinary, "--bogus", "--version"});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.out.starts_with("Kelvarin "), result.out.c_str());
        QVERIFY2(Contains(result.err, "'bogus'"), result.err.c_str());
    }

    void builtProgramEndsWithUsageStatusOnARefusedAddress() {
        kelvarin::test::TempDir base;
        const std::string previous = kelvarin::CurrentDirectory();
        QVERIFY(::chdir(base.Path().c_str()) == 0);
        const ProcessOutput result =
            RunProcess({kelvarin::test::GuiBinary, "--server", "file:///etc/passwd"});
        QVERIFY(::chdir(previous.c_str()) == 0);
        QCOMPARE(result.exitCode, 2);
        QVERIFY2(Contains(result.err, "\"file:///etc/passwd\""), result.err.c_str());
        QVERIFY(std::filesystem::is_empty(base.Path()));
    }
};

QTEST_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
