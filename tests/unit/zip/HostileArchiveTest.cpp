// Archives built to hurt: methods the reader cannot inflate, members that
// claim to be huge, archives of thousands of members. Neither the zip reader
// nor the check Download makes before storing a body may write a wrong file,
// run away with the disk, or take any of them for a good archive.
#include "pipeline/ArchiveCheck.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"
#include "support/TestArchives.h"
#include "zip/ZipReader.h"

#include <dirent.h>
#include <gtest/gtest.h>

namespace kelvarin::test {
namespace {

constexpr std::size_t LocalMethod = 8, CentralMethod = 10;

// Sets the compression method of the first member in both of its headers.
void PatchFirstMemberMethod(std::string& archive, std::uint16_t method) {
    const std::size_t central = archive.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    for (std::size_t at : {LocalMethod, central + CentralMethod}) {
        archive[at] = static_cast<char>(method & 0xFF);
        archive[at + 1] = static_cast<char>(method >> 8);
    }
}

class HostileArchiveTest : public ::testing::Test {
protected:
    HostileArchiveTest() { ::mkdir(m_out.c_str(), 0777); }
    ~HostileArchiveTest() override {
        if (m_handle)
            CloseZipArchive(m_handle);
    }

    std::string Build(const std::vector<ArchiveMember>& members) {
        WriteZipArchive(m_archive, members);
        return ReadBytes(m_archive);
    }
    void Open(const std::string& bytes) {
        WriteBytes(m_archive, bytes);
        m_handle = OpenZipArchive(m_archive);
        ASSERT_NE(m_handle, nullptr);
        ASSERT_EQ(SetZipBaseFolder(m_handle, m_out), ZipOk);
    }
    std::vector<std::string> OutputNames() const {
        std::vector<std::string> names;
        DIR* folder = ::opendir(m_out.c_str());
        while (const dirent* entry = folder ? ::readdir(folder) : nullptr) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        if (folder)
            ::closedir(folder);
        return names;
    }

    TempDir m_dir;
    const std::string m_archive = m_dir / "hostile.zip";
    const std::string m_out = m_dir / "out";
    ZipArchiveHandle* m_handle = nullptr;
    const std::string m_daily = NoiseBytes(5000, 17);
};

TEST_F(HostileArchiveTest, MethodsOtherThanStoredAndDeflateAreRefused) {
    // bzip2, LZMA, and a number no tool uses.
    for (const std::uint16_t method : {12, 14, 99}) {
        std::string bytes = Build({{"SESPRICE.DAT", m_daily, 0}});
        PatchFirstMemberMethod(bytes, method);

        std::string cause;
        EXPECT_FALSE(IsCompleteZipArchive(bytes, &cause)) << method;
        EXPECT_NE(cause.find("compression method " + std::to_string(method)), std::string::npos)
            << cause;

        Open(bytes);
        EXPECT_NE(UnzipEntryToFile(m_handle, 0, "SGX.dat"), ZipOk) << method;
        EXPECT_TRUE(OutputNames().empty()) << method;
        CloseZipArchive(m_handle);
        m_handle = nullptr;
    }
}

TEST_F(HostileArchiveTest, MemberClaimingMoreThanOneGibIsRefusedBeforeAnyByteIsWritten) {
    std::string bytes = Build({{"SESPRICE.DAT", std::string(1 << 20, '\0')}});
    PatchFirstMemberField(bytes, LocalUncompressed, CentralUncompressed,
                          static_cast<std::uint32_t>(ZipMemberLimit + 1));

    std::string cause;
    EXPECT_FALSE(IsCompleteZipArchive(bytes, &cause));
    EXPECT_NE(cause.find("1 GiB"), std::string::npos) << cause;

    Open(bytes);
    WriteBytes(m_out + "/SGX.dat", "older");
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "SGX.dat"), ZipInflateFailed);
    EXPECT_EQ(ReadBytes(m_out + "/SGX.dat"), "older");
    EXPECT_EQ(OutputNames(), std::vector<std::string>{"SGX.dat"});
}

TEST_F(HostileArchiveTest, MemberOfExactlyTheLimitIsNotRefusedForItsSize) {
    // Declared at the limit over a short stream: refused, but as incomplete,
    // not as too large; the limit itself is allowed.
    std::string bytes = Build({{"SESPRICE.DAT", std::string(1000, 'x')}});
    PatchFirstMemberField(bytes, LocalUncompressed, CentralUncompressed,
                          static_cast<std::uint32_t>(ZipMemberLimit));
    std::string cause;
    EXPECT_FALSE(IsCompleteZipArchive(bytes, &cause));
    EXPECT_EQ(cause.find("1 GiB"), std::string::npos) << cause;
}

TEST_F(HostileArchiveTest, MembersTogetherClaimingMoreThanOneGibFailTheCheck) {
    std::vector<ArchiveMember> members;
    for (int i = 0; i < 3; ++i)
        members.emplace_back("part" + std::to_string(i), std::string(100, 'p'));
    std::string bytes = Build(members);
    // Each claims 400 MiB: none is over the limit, together they are.
    std::size_t local = 0;
    std::size_t central = 0;
    for (int i = 0; i < 3; ++i) {
        local = bytes.find("PK\x03\x04", local);
        central = bytes.find("PK\x01\x02", central);
        for (std::size_t at : {local + LocalUncompressed, central + CentralUncompressed}) {
            const std::uint32_t size = 400u << 20;
            for (int b = 0; b < 4; ++b)
                bytes[at + b] = static_cast<char>((size >> (8 * b)) & 0xFF);
        }
        local += 4;
        central += 4;
    }
    std::string cause;
    EXPECT_FALSE(IsCompleteZipArchive(bytes, &cause));
    EXPECT_NE(cause.find("part2"), std::string::npos) << cause;
    EXPECT_NE(cause.find("1 GiB"), std::string::npos) << cause;
}

TEST_F(HostileArchiveTest, ThousandsOfMembersAreWalkedAndChecked) {
    std::vector<ArchiveMember> members;
    for (int i = 0; i < 3000; ++i)
        members.emplace_back("member" + std::to_string(i) + ".txt", std::to_string(i), 0);
    members.emplace_back("SESPRICE.DAT", m_daily);
    const std::string bytes = Build(members);

    EXPECT_TRUE(IsCompleteZipArchive(bytes));
    Open(bytes);
    ZipEntryInfo info;
    ASSERT_EQ(GetZipEntry(m_handle, -1, info), ZipOk);
    ASSERT_EQ(info.index, 3001);
    ASSERT_EQ(GetZipEntry(m_handle, 3000, info), ZipOk);
    EXPECT_STREQ(info.name, "SESPRICE.DAT");
    ASSERT_EQ(UnzipEntryToFile(m_handle, 3000, "SGX.dat"), ZipOk);
    EXPECT_EQ(ReadBytes(m_out + "/SGX.dat"), m_daily);
    // Walking back to the start and forward again finds the same member.
    ASSERT_EQ(GetZipEntry(m_handle, 0, info), ZipOk);
    ASSERT_EQ(GetZipEntry(m_handle, 2999, info), ZipOk);
    EXPECT_STREQ(info.name, "member2999.txt");
}

TEST_F(HostileArchiveTest, ClimbingMemberNamesNeverLeaveTheOutputFolder) {
    const std::string bytes = Build({{"../escaped.dat", m_daily},
                                     {"../../escaped/", ""},
                                     {"/abs/escaped.dat", m_daily},
                                     {"a/../../escaped.dat", m_daily}});
    EXPECT_TRUE(IsCompleteZipArchive(bytes));
    Open(bytes);
    for (int member = 0; member < 4; ++member)
        UnzipEntryToFile(m_handle, member, "SGX" + std::to_string(member) + ".dat");
    EXPECT_FALSE(FileExists(m_dir / "escaped.dat"));
    EXPECT_FALSE(FileExists(m_dir / "escaped"));
    EXPECT_FALSE(FileExists(m_dir.Path() + "/../escaped"));
    for (const std::string& name : OutputNames())
        EXPECT_TRUE(name.starts_with("SGX")) << name;
}

TEST_F(HostileArchiveTest, EveryCutOfAnArchiveFailsTheCheck) {
    const std::string whole = Build({{"SESPRICE.DAT", m_daily}, {"SESPRIFD.DAT", "fd"}});
    ASSERT_TRUE(IsCompleteZipArchive(whole));
    for (std::size_t size = 0; size < whole.size(); ++size) {
        std::string cause;
        EXPECT_FALSE(IsCompleteZipArchive(whole.substr(0, size), &cause)) << size;
        EXPECT_FALSE(cause.empty()) << size;
    }
}

TEST_F(HostileArchiveTest, BytesThatAreNoArchiveGiveNoHandleAndFailTheCheck) {
    for (const std::string& junk :
         {std::string(), std::string("PK"), std::string("<html>Service unavailable</html>"),
          NoiseBytes(70000, 5)}) {
        WriteBytes(m_archive, junk);
        EXPECT_EQ(OpenZipArchive(m_archive), nullptr) << junk.size();
        EXPECT_EQ(ZipLastResult(), ZipCannotOpen) << junk.size();
        EXPECT_FALSE(IsCompleteZipArchive(junk)) << junk.size();
    }
    // An empty archive's end record followed by more bytes is not how any
    // archive ends.
    EXPECT_FALSE(IsCompleteZipArchive(std::string("PK\x05\x06") + std::string(18, '\0') + "x"));
}

} // namespace
} // namespace kelvarin::test
