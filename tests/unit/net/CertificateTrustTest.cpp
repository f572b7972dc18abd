#include "net/CertificateTrust.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <string>

namespace kelvarin::test {
namespace {

// The order itself is shown end to end; an empty variable is one left over
// in a shell, not a wish to trust nothing.
TEST(CertificateTrustTest, EmptyVariablesCountAsUnset) {
    const CertificateTrust trust = CertificateTrustFromEnvironment(
        [](const char* name) { return std::string(name) == "SSL_CERT_FILE" ? "/f.pem" : ""; });
    EXPECT_EQ(trust.caFile, "/f.pem");
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
