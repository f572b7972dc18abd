// The stages against an https:// exchange: a certificate the run's trust
// does not vouch for fails Connect and every archive of Download with the
// address and libcurl's cause, and leaves every folder and marker as it was.
#include "StageFixture.h"
#include "pipeline/DailyArchiveNames.h"
#include "support/ExchangeProcess.h"
#include "support/TestCertificates.h"
#include "support/TestPaths.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace kelvarin::test {
namespace {

using Files = std::map<std::string, std::string>;

std::vector<std::string> ExchangeArgs(std::size_t days, const ServerCertificate& certificate) {
    return {"--days",     std::to_string(days),    "--stocks",  "3",
            "--tls-cert", certificate.certificate, "--tls-key", certificate.key};
}

class HttpsServerTest : public StageTest {
protected:
    void SetUp() override {
        if (!FileExists(ExchangeBinary))
            GTEST_SKIP() << "build kelvarin-exchange first: " << ExchangeBinary;
        context.transfer.trust.caFile = authority.CertificateFile();
    }

    // Every file of the base folder with its bytes.
    Files Library() const {
        Files files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path()))
            if (entry.is_regular_file())
                files[entry.path().string()] = ReadBytes(entry.path().string());
        return files;
    }

    void RunAll() {
        ASSERT_EQ(RunConnect(context, remoteList), StageOutcome::Succeeded);
        ASSERT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Succeeded);
        ASSERT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Succeeded);
        ASSERT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Succeeded);
    }

    TempDir certificates;
    TestAuthority authority{certificates.Path()};
};

TEST_F(HttpsServerTest, CertificatesTheTrustDoesNotVouchForStoreNothing) {
    const ServerCertificate trusted = authority.Issue("trusted", "127.0.0.1");
    {
        ExchangeProcess exchange(ExchangeArgs(2, trusted));
        context.server = exchange.Url();
        RunAll();
    }
    ASSERT_EQ(zipList.FileCount(), 2);
    const Files before = Library();
    ExchangeProcess longer(ExchangeArgs(4, trusted));
    context.server = longer.Url();
    ASSERT_EQ(RunConnect(context, remoteList), StageOutcome::Succeeded);
    ASSERT_EQ(remoteList.Count(), 4);

    const struct {
        ServerCertificate certificate;
        std::string cause;
    } refused[] = {
        {SelfSignedCertificate(certificates.Path(), "self-signed", "127.0.0.1"),
         "SSL certificate problem: self-signed certificate"},
        {authority.Issue("expired", "127.0.0.1", -2 * 86400, -86400),
         "SSL certificate problem: certificate has expired"},
        {authority.Issue("other-host", "prices.example"),
         "SSL: no alternative certificate subject name matches target host name '127.0.0.1'"},
    };
    for (const auto& [certificate, cause] : refused) {
        SCOPED_TRACE(cause);
        ExchangeProcess exchange(ExchangeArgs(4, certificate));
        FakeFrontEnd connectFrontEnd;
        StageContext connectContext{folders, connectFrontEnd, exchange.Url(), context.transfer};
        MemoryList keptList;
        keptList.Add("SGX2004-01-23");

        EXPECT_EQ(RunConnect(connectContext, keptList), StageOutcome::Failed);
        EXPECT_EQ(connectFrontEnd.Causes(),
                  std::vector<std::string>{IndexAddress(exchange.Url()) + ": " + cause});
        EXPECT_EQ(keptList.Count(), 1);

        FakeFrontEnd downloadFrontEnd;
        StageContext downloadContext{folders, downloadFrontEnd, exchange.Url(), context.transfer};
        EXPECT_EQ(RunDownload(downloadContext, true, remoteList, zipList), StageOutcome::Failed);
        ASSERT_EQ(downloadFrontEnd.Messages().size(), 1u);
        const std::string& message = downloadFrontEnd.Messages()[0].text;
        for (int row = 2; row < 4; ++row) {
            const std::string line =
                ArchiveAddress(exchange.Url(), remoteList.Text(row)) + ": " + cause;
            EXPECT_NE(message.find(line), std::string::npos) << message;
        }
        EXPECT_EQ(Library(), before);
    }
}

} // namespace
} // namespace kelvarin::test
