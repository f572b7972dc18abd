#include "net/CertificateTrust.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace kelvarin::test {
namespace {

using Variables = std::map<std::string, std::string>;

CertificateTrust FromVariables(const Variables& variables) {
    return CertificateTrustFromEnvironment([&variables](const char* name) -> const char* {
        const auto found = variables.find(name);
        return found != variables.end() ? found->second.c_str() : nullptr;
    });
}

// The curl program's order: a bundle named for curl beats OpenSSL's folder,
// which beats OpenSSL's file; exactly one of them is used.
TEST(CertificateTrustTest, EnvironmentIsReadInCurlsOrderAndOnlyOneVariableCounts) {
    const Variables all{
        {"CURL_CA_BUNDLE", "/b.pem"}, {"SSL_CERT_DIR", "/certs"}, {"SSL_CERT_FILE", "/f.pem"}};
    CertificateTrust trust = FromVariables(all);
    EXPECT_EQ(trust.caFile, "/b.pem");
    EXPECT_EQ(trust.caFolder, "");

    trust = FromVariables({{"SSL_CERT_DIR", "/certs"}, {"SSL_CERT_FILE", "/f.pem"}});
    EXPECT_EQ(trust.caFile, "");
    EXPECT_EQ(trust.caFolder, "/certs");

    // An empty variable is one left over in a shell, not a wish to trust nothing.
    trust = FromVariables({{"CURL_CA_BUNDLE", ""}, {"SSL_CERT_DIR", ""}, {"SSL_CERT_FILE", "/f"}});
    EXPECT_EQ(trust.caFile, "/f");
    EXPECT_EQ(trust.caFolder, "");

    trust = FromVariables({});
    EXPECT_EQ(trust.caFile, "");
    EXPECT_EQ(trust.caFolder, "");
}

TEST(CertificateTrustTest, UnreadableFileIsNamedWithItsCause) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(CheckCertificateFile(dir / "missing.pem", error));
    EXPECT_EQ(error, "The certificate file \"" + (dir / "missing.pem") +
                         "\" cannot be read: No such file or directory.");

    EXPECT_FALSE(CheckCertificateFile(dir.Path(), error));
    EXPECT_EQ(error, "The certificate file \"" + dir.Path() + "\" is not a file.");
}

} // namespace
} // namespace kelvarin::test
