// kelvarin-cli against kelvarin-exchange over HTTPS, with certificates made
// for the test: the trust named on the command line or in the environment
// reaches every transfer, and a server it does not vouch for gets nothing in.
#include "pipeline/DailyArchiveNames.h"
#include "support/ExchangeProcess.h"
#include "support/FileBytes.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"
#include "support/TestCertificates.h"
#include "support/TestPaths.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace kelvarin::test {
namespace {

using Files = std::map<std::string, std::string>;

std::vector<std::string> ExchangeArgs(std::size_t days, const ServerCertificate* tls = nullptr) {
    std::vector<std::string> args{"--days", std::to_string(days), "--stocks", "8", "--seed", "11"};
    if (tls != nullptr)
        args.insert(args.end(), {"--tls-cert", tls->certificate, "--tls-key", tls->key});
    return args;
}

// Every file below `folder`, by its path relative to it, but the record of
// the last run, which each run rewrites with its own times and outcome.
Files Snapshot(const std::string& folder) {
    Files files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), folder).string()] =
                ReadBytes(entry.path().string());
    files.erase("kelvarin-last-run");
    return files;
}

class HttpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The programs see only the trust variables a test sets, whatever the
        // runner's own environment holds; each test runs in a process of its own.
        for (const char* name : {"CURL_CA_BUNDLE", "SSL_CERT_DIR", "SSL_CERT_FILE"})
            ::unsetenv(name);
        m_trusted = m_authority.Issue("server", "127.0.0.1");
    }

    static ProcessOutput Cli(const TempDir& base, const std::string& server,
                             std::vector<std::string> args) {
        std::vector<std::string> argv{CliBinary, "--base", base.Path(), "--server", server};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv);
    }

    TempDir m_certificates;
    TestAuthority m_authority{m_certificates.Path()};
    ServerCertificate m_trusted;
};

TEST_F(HttpsTest, RunOverHttpsBuildsTheSameLibraryAsOverHttp) {
    ExchangeProcess secure(ExchangeArgs(6, &m_trusted));
    ExchangeProcess plain(ExchangeArgs(6));
    ASSERT_TRUE(secure.Url().starts_with("https://127.0.0.1:")) << secure.Url();
    TempDir overHttps;
    TempDir overHttp;

    const ProcessOutput result =
        Cli(overHttps, secure.Url(), {"--cacert", m_authority.CertificateFile(), "run"});

    ASSERT_EQ(result.exitCode, 0) << result.err;
    ASSERT_EQ(Cli(overHttp, plain.Url(), {"run"}).exitCode, 0);
    const Files library = Snapshot(overHttps.Path());
    EXPECT_EQ(library, Snapshot(overHttp.Path()));
    EXPECT_EQ(library.count("zip/log_auto_download"), 1u);
    EXPECT_EQ(library.count("stocks/log_auto_update"), 1u);
}

TEST_F(HttpsTest, RefusedCertificateEndsTheRunWithItsCauseAndChangesNothing) {
    TempDir base;
    {
        ExchangeProcess exchange(ExchangeArgs(2, &m_trusted));
        ASSERT_EQ(
            Cli(base, exchange.Url(), {"--cacert", m_authority.CertificateFile(), "run"}).exitCode,
            0);
    }
    const Files before = Snapshot(base.Path());
    const ServerCertificate selfSigned =
        SelfSignedCertificate(m_certificates.Path(), "self-signed", "127.0.0.1");
    ExchangeProcess exchange(ExchangeArgs(4, &selfSigned));

    const ProcessOutput result =
        Cli(base, exchange.Url(), {"--cacert", m_authority.CertificateFile(), "run"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(IndexAddress(exchange.Url()) +
                              ": SSL certificate problem: self-signed certificate"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(Snapshot(base.Path()), before);
}

// --cacert first; else CURL_CA_BUNDLE, else SSL_CERT_DIR, else SSL_CERT_FILE,
// as the curl program reads them; else the system's store, which knows
// nothing of the test's authority.
TEST_F(HttpsTest, TrustComesFromTheOptionElseTheEnvironmentInCurlsOrder) {
    ExchangeProcess exchange(ExchangeArgs(2, &m_trusted));
    const std::string authority = m_authority.CertificateFile();
    const std::string stranger =
        SelfSignedCertificate(m_certificates.Path(), "stranger", "127.0.0.1").certificate;
    const TempDir base;
    const auto connect = [&](std::vector<std::string> options) {
        options.push_back("connect");
        return Cli(base, exchange.Url(), options);
    };

    const ProcessOutput systemStore = connect({});
    EXPECT_EQ(systemStore.exitCode, 1);
    EXPECT_NE(systemStore.err.find("unable to get local issuer certificate"), std::string::npos)
        << systemStore.err;

    ::setenv("SSL_CERT_FILE", authority.c_str(), 1);
    EXPECT_EQ(connect({}).exitCode, 0);

    ::setenv("SSL_CERT_FILE", stranger.c_str(), 1);
    ::setenv("SSL_CERT_DIR", m_authority.HashedFolder().c_str(), 1);
    EXPECT_EQ(connect({}).exitCode, 0);

    ::setenv("CURL_CA_BUNDLE", stranger.c_str(), 1);
    EXPECT_EQ(connect({}).exitCode, 1);
    EXPECT_EQ(connect({"--cacert", authority}).exitCode, 0);

    const ProcessOutput missing = connect({"--cacert", m_certificates / "missing.pem"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find(m_certificates / "missing.pem"), std::string::npos) << missing.err;
}

} // namespace
} // namespace kelvarin::test
