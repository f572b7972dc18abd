#include "pipeline/ArchiveCheck.h"

#include "support/FileBytes.h"
#include "support/TempDir.h"
#include "support/TestArchives.h"

#include <gtest/gtest.h>

namespace kelvarin::test {
namespace {

class ArchiveCheckTest : public ::testing::Test {
protected:
    std::string Made(const std::vector<ArchiveMember>& members) {
        const std::string path = dir / "made.zip";
        WriteZipArchive(path, members);
        return ReadBytes(path);
    }
    TempDir dir;
};

TEST_F(ArchiveCheckTest, WholeArchivesPass) {
    EXPECT_TRUE(IsCompleteZipArchive(
        Made({{"SESPRICE.DAT", std::string(100000, 'x')}, {"SESPRIFD.DAT", "other"}})));
}

TEST_F(ArchiveCheckTest, BodiesThatAreNoArchiveFail) {
    std::string cause;
    EXPECT_FALSE(IsCompleteZipArchive("", &cause));
    EXPECT_FALSE(cause.empty());
    EXPECT_FALSE(IsCompleteZipArchive("<html>Not Found</html>"));
}

TEST_F(ArchiveCheckTest, ArchiveCutShortFailsWhereverItIsCut) {
    const std::string whole = Made({{"SESPRICE.DAT", std::string(5000, 'y')}});
    for (std::size_t size : {std::size_t(10), whole.size() / 2, whole.size() - 1})
        EXPECT_FALSE(IsCompleteZipArchive(whole.substr(0, size))) << size;
}

TEST_F(ArchiveCheckTest, MemberWithAWrongCrcFails) {
    std::string body = Made({{"SESPRICE.DAT", "day"}});
    const std::size_t central = body.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    body[central + 16] ^= 0x01;

    std::string cause;
    EXPECT_FALSE(IsCompleteZipArchive(body, &cause));
    EXPECT_NE(cause.find("SESPRICE.DAT"), std::string::npos);
}

TEST_F(ArchiveCheckTest, MemberWithDamagedDataFails) {
    std::string body = Made({{"SESPRICE.DAT", std::string(5000, 'z')}});
    // Inside the deflated data, after the 30-byte local header and the name.
    body[30 + 12 + 3] ^= 0xFF;

    EXPECT_FALSE(IsCompleteZipArchive(body));
}

TEST_F(ArchiveCheckTest, EncryptedMemberFails) {
    const std::string path = dir / "locked.zip";
    ArchiveMember member("SESPRICE.DAT", "secret");
    member.password = "password";
    WriteZipArchive(path, {member});

    std::string cause;
    EXPECT_FALSE(IsCompleteZipArchive(ReadBytes(path), &cause));
    EXPECT_NE(cause.find("encrypted"), std::string::npos);
}

} // namespace
} // namespace kelvarin::test
