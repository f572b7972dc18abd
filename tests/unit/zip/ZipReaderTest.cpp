#include "zip/ZipReader.h"

#include "support/FileBytes.h"
#include "support/ScopedCurrentFolder.h"
#include "support/TempDir.h"
#include "support/TestArchives.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {
namespace {

using test::ArchiveMember;
using test::FileExists;
using test::ReadBytes;
using test::ScopedCurrentFolder;
using test::WriteBytes;

// Windows file time of a Unix time, written out so the expectation does not
// borrow the reader's own conversion.
constexpr std::uint64_t FileTime(std::uint64_t unixSeconds) {
    return (unixSeconds + 11644473600ULL) * 10000000ULL;
}

// ArchiveMember's default DOS time, 2004-01-23 07:22:30 in Singapore (UTC+8).
constexpr std::uint64_t DefaultDosTimeInSingapore = FileTime(1074813750);

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (m_old.empty())
            ::unsetenv("TZ");
        else
            ::setenv("TZ", m_old.c_str(), 1);
        ::tzset();
    }

private:
    std::string m_old;
};

class ZipReaderTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directory(m_out); }
    void TearDown() override {
        if (m_handle) {
            EXPECT_EQ(CloseZipArchive(m_handle), ZipOk);
        }
    }

    ZipArchiveHandle* Open(const char* password = nullptr) {
        m_handle = OpenZipArchive(m_archive, password);
        EXPECT_NE(m_handle, nullptr) << std::hex << ZipLastResult();
        if (m_handle) {
            EXPECT_EQ(SetZipBaseFolder(m_handle, m_out), ZipOk);
        }
        return m_handle;
    }

    ZipArchiveHandle* OpenMinizip(const std::vector<ArchiveMember>& members) {
        test::WriteZipArchive(m_archive, members);
        return Open();
    }

    ZipEntryInfo Entry(int index) {
        ZipEntryInfo info;
        EXPECT_EQ(GetZipEntry(m_handle, index, info), ZipOk);
        return info;
    }

    std::vector<std::string> OutputFolderNames() const {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(m_out))
            names.push_back(item.path().filename().string());
        return names;
    }

    mode_t OutputMode(const std::string& name) const {
        struct stat status {};
        EXPECT_EQ(::stat((m_out + "/" + name).c_str(), &status), 0);
        return status.st_mode & 0777;
    }

    test::TempDir m_dir;
    std::string m_archive = m_dir / "archive.zip";
    std::string m_out = m_dir / "out";
    ZipArchiveHandle* m_handle = nullptr;
};

// --- listing members -------------------------------------------------------

TEST_F(ZipReaderTest, PseudoMemberMinusOneGivesTheMemberCount) {
    for (const char* name : {"a.dat", "b.dat", "c.dat"})
        WriteBytes(m_dir / name, name);
    test::RunZip(m_dir.Path(), "archive.zip a.dat b.dat c.dat");
    Open();
    ZipEntryInfo info;
    std::strcpy(info.name, "stale");
    info.attributes = 0x21;
    info.modificationTime = 5;
    EXPECT_EQ(GetZipEntry(m_handle, -1, info), ZipOk);
    EXPECT_EQ(info.index, 3);
    EXPECT_STREQ(info.name, "");
    EXPECT_EQ(info.attributes, 0u);
    EXPECT_EQ(info.accessTime | info.creationTime | info.modificationTime, 0u);
    EXPECT_EQ(ZipLastResult(), ZipOk);
}

TEST_F(ZipReaderTest, IndexesOutsideTheArchiveAreBadArguments) {
    OpenMinizip({{"a", "1"}, {"b", "2"}, {"c", "3"}});
    ZipEntryInfo info;
    for (int index : {-2, 3, 1000}) {
        EXPECT_EQ(GetZipEntry(m_handle, index, info), ZipBadArgument) << index;
        EXPECT_EQ(ZipLastResult(), ZipBadArgument);
    }
    EXPECT_EQ(UnzipEntryToFile(m_handle, 3, "x"), ZipBadArgument);
    EXPECT_EQ(UnzipEntryToFile(m_handle, -1, "x"), ZipBadArgument);
    EXPECT_TRUE(OutputFolderNames().empty());
}

TEST_F(ZipReaderTest, MembersAreFoundInAnyOrder) {
    OpenMinizip({{"first.dat", "1"}, {"second.dat", "22"}, {"third.dat", "333", 0}});
    // Backwards makes the reader rewind; the repeat is answered from its cache.
    for (int index : {2, 0, 1, 1, 2, 0}) {
        const ZipEntryInfo info = Entry(index);
        EXPECT_EQ(info.index, index);
        EXPECT_STREQ(info.name,
                     (std::vector<const char*>{"first.dat", "second.dat", "third.dat"}[index]));
        EXPECT_EQ(info.uncompressedSize, static_cast<std::uint32_t>(index + 1));
    }
    EXPECT_EQ(Entry(2).compressedSize, 3u); // stored
}

TEST_F(ZipReaderTest, NamesFillingTheBufferAreTerminated) {
    const std::string exact(260, 'e');
    const std::string longer(300, 'l');
    OpenMinizip({{exact, "x"}, {longer, "y"}});
    EXPECT_EQ(std::string(Entry(0).name), exact);
    EXPECT_EQ(std::string(Entry(1).name), longer.substr(0, 260));
}

// --- extracting ------------------------------------------------------------

TEST_F(ZipReaderTest, StoredAndDeflatedMembersComeOutByteExact) {
    const std::string noise = test::NoiseBytes(100000, 7); // several 16 KiB chunks
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "20040123 STOCK " + std::to_string(i) + "\r\n";
    WriteBytes(m_dir / "noise.bin", noise);
    WriteBytes(m_dir / "text.dat", text);
    WriteBytes(m_dir / "empty.dat", "");
    test::RunZip(m_dir.Path(), "-0 archive.zip noise.bin");
    test::RunZip(m_dir.Path(), "archive.zip text.dat empty.dat");
    Open();
    ASSERT_EQ(Entry(-1).index, 3);
    EXPECT_EQ(Entry(0).compressedSize, noise.size());
    EXPECT_LT(Entry(1).compressedSize, text.size());

    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "noise.out"), ZipOk);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 1, "text.out"), ZipOk);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 2, "empty.out"), ZipOk);
    EXPECT_EQ(ReadBytes(m_out + "/noise.out"), noise);
    EXPECT_EQ(ReadBytes(m_out + "/text.out"), text);
    EXPECT_EQ(ReadBytes(m_out + "/empty.out"), "");
    EXPECT_EQ(OutputFolderNames().size(), 3u);
}

TEST_F(ZipReaderTest, ArchiveOfSeveralReadWindowsIsReadInAnyOrder) {
    // Stored noise keeps the archive as large as its members: the directory,
    // the members and a member's data all lie in different read windows.
    const std::vector<std::string> data{test::NoiseBytes(150000, 1), "between",
                                        test::NoiseBytes(70000, 2), std::string(90000, 'z')};
    OpenMinizip({{"first", data[0], 0},
                 {"second", data[1], 0},
                 {"third", data[2], 0},
                 {"fourth", data[3]}});
    for (int member = 3; member >= 0; --member) {
        const std::string out = "out" + std::to_string(member);
        ASSERT_EQ(UnzipEntryToFile(m_handle, member, out), ZipOk) << member;
        EXPECT_EQ(ReadBytes(m_out + "/" + out), data[static_cast<std::size_t>(member)]) << member;
    }
    EXPECT_EQ(std::string(Entry(1).name), "second");
}

TEST_F(ZipReaderTest, ExtractingAgainOverwritesTheOutputFile) {
    OpenMinizip({{"a", std::string(50000, 'a')}, {"b", "short"}});
    WriteBytes(m_out + "/x.dat", "older and longer than the member");
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "x.dat"), ZipOk);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "x.dat"), ZipOk);
    EXPECT_EQ(ReadBytes(m_out + "/x.dat"), std::string(50000, 'a'));
    EXPECT_EQ(UnzipEntryToFile(m_handle, 1, "x.dat"), ZipOk);
    EXPECT_EQ(ReadBytes(m_out + "/x.dat"), "short");
}

TEST_F(ZipReaderTest, ReadOnlyOutputIsReplacedToo) {
    OpenMinizip({{"ro", "first", Z_DEFLATED, test::HostUnix, 0100444u << 16}});
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "ro.dat"), ZipOk);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "ro.dat"), ZipOk);
    EXPECT_EQ(ReadBytes(m_out + "/ro.dat"), "first");
    EXPECT_EQ(OutputFolderNames().size(), 1u);
}

TEST_F(ZipReaderTest, ClimbingMemberNameIsWrittenUnderTheGivenName) {
    OpenMinizip({{"../escape.dat", "payload"}, {"../../up/deeper.dat", "more"}});
    EXPECT_STREQ(Entry(0).name, "../escape.dat");
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "safe.dat"), ZipOk);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 1, "safe2.dat"), ZipOk);
    EXPECT_EQ(ReadBytes(m_out + "/safe.dat"), "payload");
    EXPECT_FALSE(FileExists(m_dir / "escape.dat"));
    EXPECT_FALSE(FileExists(m_dir / "up"));
}

TEST_F(ZipReaderTest, FoldersAreCreatedOnlyAlongRelativePathsThatStayInside) {
    OpenMinizip({{"m", "member"}});
    // Absolute base folder: the output folder has to exist already.
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "sub/m.dat"), ZipCannotOpen);
    EXPECT_FALSE(FileExists(m_out + "/sub"));

    ScopedCurrentFolder inside(m_dir.Path());
    ASSERT_EQ(SetZipBaseFolder(m_handle, "out"), ZipOk);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "a/b/m.dat"), ZipOk);
    EXPECT_EQ(ReadBytes(m_out + "/a/b/m.dat"), "member");

    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "../up/m.dat"), ZipCannotOpen);
    EXPECT_FALSE(FileExists(m_dir / "up"));
    ASSERT_EQ(SetZipBaseFolder(m_handle, "out/c/../"), ZipOk);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "m.dat"), ZipCannotOpen);
    EXPECT_FALSE(FileExists(m_out + "/c"));
}

TEST_F(ZipReaderTest, DirectoryMembersBecomeFolderChains) {
    std::filesystem::create_directories(m_dir / "d/e");
    WriteBytes(m_dir / "d/e/f.dat", "f");
    test::RunZip(m_dir.Path(), "-r archive.zip d");
    Open();
    ASSERT_EQ(Entry(-1).index, 3);
    EXPECT_STREQ(Entry(1).name, "d/e/");
    EXPECT_EQ(Entry(1).attributes & ZipDirectory, ZipDirectory);
    EXPECT_EQ(Entry(2).attributes & ZipDirectory, 0u);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 1, "ignored"), ZipOk);
    EXPECT_TRUE(std::filesystem::is_directory(m_out + "/d/e"));
    EXPECT_FALSE(FileExists(m_out + "/ignored"));
}

TEST_F(ZipReaderTest, DirectoryMemberOutsideTheBaseFolderIsRefused) {
    OpenMinizip({{"../evil/", "", 0, test::HostUnix, 0040755u << 16}});
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "x"), ZipCannotOpen);
    EXPECT_FALSE(FileExists(m_dir / "evil"));
}

// --- base folder and handles ---------------------------------------------

TEST_F(ZipReaderTest, OpeningUsesTheCurrentFolderAsBase) {
    test::WriteZipArchive(m_archive, {{"m", "here"}});
    ScopedCurrentFolder inside(m_out);
    m_handle = OpenZipArchive(m_archive);
    ASSERT_NE(m_handle, nullptr);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "m.dat"), ZipOk);
    EXPECT_EQ(ReadBytes(m_out + "/m.dat"), "here");
}

TEST_F(ZipReaderTest, BaseFolderGetsASeparatorUnlessItHasOne) {
    OpenMinizip({{"m", "data"}});
    ScopedCurrentFolder inside(m_dir.Path());
    ASSERT_EQ(SetZipBaseFolder(m_handle, "out"), ZipOk);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "one.dat"), ZipOk);
    EXPECT_TRUE(FileExists(m_out + "/one.dat"));
    ASSERT_EQ(SetZipBaseFolder(m_handle, m_out + "/"), ZipOk);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "two.dat"), ZipOk);
    EXPECT_TRUE(FileExists(m_out + "/two.dat"));
    // A backslash already ends a folder; here it is just part of the name.
    ASSERT_EQ(SetZipBaseFolder(m_handle, "out\\"), ZipOk);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "three.dat"), ZipOk);
    EXPECT_TRUE(FileExists(m_dir / "out\\three.dat"));
}

TEST_F(ZipReaderTest, BaseFolderOfAnyLengthTheSystemTakesIsUsed) {
    OpenMinizip({{"m", "deep"}});
    std::string deep = m_out;
    while (deep.size() < 1000)
        deep += "/" + std::string(120, 'd');
    std::filesystem::create_directories(deep);
    ASSERT_EQ(SetZipBaseFolder(m_handle, deep), ZipOk);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "m.dat"), ZipOk);
    EXPECT_EQ(ReadBytes(deep + "/m.dat"), "deep");
}

TEST_F(ZipReaderTest, FoldersNoPathCanNameAreRefusedAndTheOldOneKept) {
    OpenMinizip({{"m", "data"}});
    ScopedCurrentFolder inside(m_dir.Path());
    EXPECT_EQ(SetZipBaseFolder(m_handle, ""), ZipBadArgument);
    EXPECT_EQ(SetZipBaseFolder(m_handle, std::string("out/\0elsewhere", 14)), ZipBadArgument);
    EXPECT_EQ(ZipLastResult(), ZipBadArgument);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "kept.dat"), ZipOk);
    EXPECT_TRUE(FileExists(m_out + "/kept.dat"));
    EXPECT_FALSE(FileExists(m_dir / "kept.dat"));
}

TEST(ZipReaderHandles, NullHandleIsABadArgument) {
    ZipEntryInfo info;
    EXPECT_EQ(CloseZipArchive(nullptr), ZipBadArgument);
    EXPECT_EQ(ZipLastResult(), ZipBadArgument);
    EXPECT_EQ(SetZipBaseFolder(nullptr, "/tmp"), ZipBadArgument);
    EXPECT_EQ(GetZipEntry(nullptr, -1, info), ZipBadArgument);
    EXPECT_EQ(UnzipEntryToFile(nullptr, 0, "x"), ZipBadArgument);
}

// --- attributes -----------------------------------------------------------

TEST_F(ZipReaderTest, UnixOwnerWriteBitDecidesReadOnly) {
    WriteBytes(m_dir / "writable.dat", "w");
    WriteBytes(m_dir / "locked.dat", "l");
    ::chmod((m_dir / "writable.dat").c_str(), 0644);
    ::chmod((m_dir / "locked.dat").c_str(), 0444);
    test::RunZip(m_dir.Path(), "archive.zip writable.dat locked.dat");
    Open();
    EXPECT_EQ(Entry(0).attributes, ZipArchiveBit);
    EXPECT_EQ(Entry(1).attributes, ZipArchiveBit | ZipReadOnly);

    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "writable.dat"), ZipOk);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 1, "locked.dat"), ZipOk);
    EXPECT_NE(OutputMode("writable.dat") & S_IWUSR, 0u);
    EXPECT_EQ(OutputMode("locked.dat") & 0222, 0u);
    EXPECT_EQ(ReadBytes(m_out + "/locked.dat"), "l");
}

TEST_F(ZipReaderTest, UnixDirectoryModeMarksAFolder) {
    OpenMinizip({{"dir/", "", 0, test::HostUnix, 0040755u << 16}});
    EXPECT_EQ(Entry(0).attributes, ZipArchiveBit | ZipDirectory);
}

TEST_F(ZipReaderTest, DosLikeHostsKeepTheirAttributeBits) {
    for (std::uint32_t host : {0u, 7u, 11u, 14u}) {
        SCOPED_TRACE(host);
        test::WriteZipArchive(m_archive, {{"all", "x", Z_DEFLATED, host, 0xFFu},
                                          {"ro", "x", Z_DEFLATED, host, 0x21},
                                          {"dir/", "", 0, host, 0x10}});
        m_handle = OpenZipArchive(m_archive);
        ASSERT_NE(m_handle, nullptr);
        EXPECT_EQ(Entry(0).attributes, 0x37u);
        EXPECT_EQ(Entry(1).attributes, ZipReadOnly | ZipArchiveBit);
        EXPECT_EQ(Entry(2).attributes, ZipDirectory);
        EXPECT_EQ(CloseZipArchive(m_handle), ZipOk);
        m_handle = nullptr;
    }
}

TEST_F(ZipReaderTest, OtherHostsReadTheUnixMode) {
    // Host 3 (Unix) and 19 (OS X) carry the mode; the low DOS bits are ignored.
    OpenMinizip({{"a", "x", Z_DEFLATED, test::HostUnix, (0100600u << 16) | 0x01},
                 {"b", "x", Z_DEFLATED, 19, 0100400u << 16}});
    EXPECT_EQ(Entry(0).attributes, ZipArchiveBit);
    EXPECT_EQ(Entry(1).attributes, ZipArchiveBit | ZipReadOnly);
}

TEST_F(ZipReaderTest, DosReadOnlyMemberGivesAReadOnlyFile) {
    OpenMinizip({{"ro", "x", Z_DEFLATED, test::HostDos, 0x21}});
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "ro.dat"), ZipOk);
    EXPECT_EQ(OutputMode("ro.dat") & 0222, 0u);
}

// --- times ----------------------------------------------------------------

TEST_F(ZipReaderTest, DosTimeIsLocalTimeTurnedIntoUtc) {
    ScopedTimeZone singapore("SGT-8");
    OpenMinizip({{"m", "x"}});
    const ZipEntryInfo info = Entry(0);
    EXPECT_EQ(info.modificationTime, DefaultDosTimeInSingapore);
    EXPECT_EQ(info.accessTime, DefaultDosTimeInSingapore);
    EXPECT_EQ(info.creationTime, DefaultDosTimeInSingapore);
}

TEST_F(ZipReaderTest, UtBlockWithOnlyModificationTimeKeepsDosTimesForTheRest) {
    ScopedTimeZone singapore("SGT-8");
    ArchiveMember member{"m", "x"};
    member.localExtra = test::ExtendedTimestamp(0x01, {1000000000});
    OpenMinizip({member});
    const ZipEntryInfo info = Entry(0);
    EXPECT_EQ(info.modificationTime, FileTime(1000000000));
    EXPECT_EQ(info.accessTime, DefaultDosTimeInSingapore);
    EXPECT_EQ(info.creationTime, DefaultDosTimeInSingapore);
}

TEST_F(ZipReaderTest, FirstUtBlockAfterOtherBlocksGivesAllThreeTimes) {
    ArchiveMember member{"m", "x"};
    const std::string otherBlock("\x0a\x00\x04\x00"
                                 "abcd",
                                 8);
    member.localExtra = otherBlock + test::ExtendedTimestamp(0x07, {1000, 2000, 3000}) +
                        test::ExtendedTimestamp(0x07, {9, 9, 9});
    OpenMinizip({member});
    const ZipEntryInfo info = Entry(0);
    EXPECT_EQ(info.modificationTime, FileTime(1000));
    EXPECT_EQ(info.accessTime, FileTime(2000));
    EXPECT_EQ(info.creationTime, FileTime(3000));
}

TEST_F(ZipReaderTest, UtFlagsPromisingMoreThanTheBlockHoldsAreNotTrusted) {
    ScopedTimeZone singapore("SGT-8");
    ArchiveMember member{"m", "x"};
    std::string block = test::ExtendedTimestamp(0x07, {1000});
    member.localExtra = block + test::ExtendedTimestamp(0x01, {2000}).substr(4); // stray bytes
    OpenMinizip({member});
    const ZipEntryInfo info = Entry(0);
    EXPECT_EQ(info.modificationTime, FileTime(1000));
    EXPECT_EQ(info.accessTime, DefaultDosTimeInSingapore);
    EXPECT_EQ(info.creationTime, DefaultDosTimeInSingapore);
}

TEST_F(ZipReaderTest, OutputFileGetsTheMembersTimes) {
    const std::string source = m_dir / "timed.dat";
    WriteBytes(source, "timed");
    const timespec times[2] = {{1118131750 + 3600, 0}, {1118131750, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
    test::RunZip(m_dir.Path(), "archive.zip timed.dat");
    Open();
    const ZipEntryInfo info = Entry(0);
    EXPECT_EQ(info.modificationTime, FileTime(1118131750));
    ASSERT_EQ(UnzipEntryToFile(m_handle, 0, "timed.out"), ZipOk);
    struct stat status {};
    ASSERT_EQ(::stat((m_out + "/timed.out").c_str(), &status), 0);
    EXPECT_EQ(status.st_mtim.tv_sec, 1118131750);
    EXPECT_EQ(FileTime(static_cast<std::uint64_t>(status.st_atim.tv_sec)), info.accessTime);
}

// --- damaged, hostile and unreadable input ----------------------------------

TEST_F(ZipReaderTest, ArchivesThatCannotBeOpenedGiveNoHandle) {
    EXPECT_EQ(OpenZipArchive(m_dir / "missing.zip"), nullptr);
    EXPECT_EQ(ZipLastResult(), ZipCannotOpen);
    EXPECT_EQ(OpenZipArchive(m_out), nullptr);
    EXPECT_EQ(ZipLastResult(), ZipCannotOpen);
    WriteBytes(m_archive, "<html>404 Not Found</html>");
    EXPECT_EQ(OpenZipArchive(m_archive), nullptr);
    EXPECT_EQ(ZipLastResult(), ZipCannotOpen);
    ASSERT_EQ(::mkfifo((m_dir / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(OpenZipArchive(m_dir / "pipe"), nullptr);
    EXPECT_EQ(ZipLastResult(), ZipNotSeekable);
}

TEST_F(ZipReaderTest, DamagedDirectoryEntryShowsWhenItsMemberIsLookedAt) {
    test::WriteZipArchive(m_archive, {{"good.dat", "good"}, {"bad.dat", "bad"}});
    std::string bytes = ReadBytes(m_archive);
    const std::size_t second = bytes.find("PK\x01\x02", bytes.find("PK\x01\x02") + 1);
    ASSERT_NE(second, std::string::npos);
    bytes[second + 3] = 0x7F;
    WriteBytes(m_archive, bytes);
    Open();
    ZipEntryInfo info;
    EXPECT_EQ(GetZipEntry(m_handle, 1, info), ZipCorruptEntry);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "good.dat"), ZipOk);
}

class DamagedMemberTest : public ZipReaderTest {
protected:
    // Extraction fails as inflation failure, and neither the output name nor a
    // temporary file is left, while an older output file stays as it was.
    void ExpectRefused(const std::string& archiveBytes) {
        WriteBytes(m_archive, archiveBytes);
        WriteBytes(m_out + "/older.dat", "older");
        Open();
        EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "fresh.dat"), ZipInflateFailed);
        EXPECT_EQ(ZipLastResult(), ZipInflateFailed);
        EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "older.dat"), ZipInflateFailed);
        EXPECT_EQ(ReadBytes(m_out + "/older.dat"), "older");
        EXPECT_EQ(OutputFolderNames(), std::vector<std::string>{"older.dat"});
    }

    std::string Build(const std::string& data, int method) {
        test::WriteZipArchive(m_archive, {{"m", data, method}});
        return ReadBytes(m_archive);
    }

    const std::string m_data = test::NoiseBytes(40000, 3);
};

TEST_F(DamagedMemberTest, FlippedStoredByteFailsTheCrc) {
    std::string bytes = Build(m_data, 0);
    const auto at = bytes.find(m_data.substr(20000, 16));
    ASSERT_NE(at, std::string::npos);
    bytes[at] ^= 0x01;
    ExpectRefused(bytes);
}

TEST_F(DamagedMemberTest, WrongCrcInBothHeadersIsCaught) {
    std::string bytes = Build(m_data, Z_DEFLATED);
    test::PatchFirstMemberField(bytes, test::LocalCrc, test::CentralCrc, 0x12345678);
    ExpectRefused(bytes);
}

TEST_F(DamagedMemberTest, DamagedDeflateDataIsRefused) {
    std::string bytes = Build(std::string(60000, 'z') + m_data, Z_DEFLATED);
    const std::size_t dataStart = 30 + 1; // local header and the name "m"
    for (std::size_t i = dataStart + 10; i < dataStart + 60; ++i)
        bytes[i] = static_cast<char>(0xFF);
    ExpectRefused(bytes);
}

TEST_F(DamagedMemberTest, StoredDataShorterThanDeclaredIsRefused) {
    std::string bytes = Build(m_data, 0);
    test::PatchFirstMemberField(bytes, test::LocalUncompressed, test::CentralUncompressed,
                                m_data.size() + 5000);
    ExpectRefused(bytes);
}

TEST_F(DamagedMemberTest, DeflatedDataEndingBeforeDeclaredSizeIsRefused) {
    std::string bytes = Build(m_data, Z_DEFLATED);
    test::PatchFirstMemberField(bytes, test::LocalUncompressed, test::CentralUncompressed,
                                m_data.size() + 1);
    ExpectRefused(bytes);
}

TEST_F(DamagedMemberTest, DataInflatingBeyondDeclaredSizeIsRefused) {
    // A small declared size over a large stream is how an archive would try to
    // fill the disk; only the declared bytes may ever be written.
    std::string bytes = Build(std::string(1 << 20, '\0'), Z_DEFLATED);
    test::PatchFirstMemberField(bytes, test::LocalUncompressed, test::CentralUncompressed, 100);
    ExpectRefused(bytes);
}

TEST_F(ZipReaderTest, EncryptedMemberNeedsTheRightPassword) {
    const std::string secret = test::NoiseBytes(30000, 11);
    WriteBytes(m_dir / "secret.dat", secret);
    test::RunZip(m_dir.Path(), "-P opensesame archive.zip secret.dat");

    Open();
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "none.dat"), ZipPasswordNeeded);
    EXPECT_EQ(CloseZipArchive(m_handle), ZipOk);
    Open("wrong");
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "wrong.dat"), ZipPasswordNeeded);
    EXPECT_TRUE(OutputFolderNames().empty());
    EXPECT_EQ(CloseZipArchive(m_handle), ZipOk);
    // Debian's minizip cannot decrypt at all; then even the right password
    // must give the password result rather than garbage.
    Open("opensesame");
    const std::uint32_t result = UnzipEntryToFile(m_handle, 0, "right.dat");
    if (result == ZipOk) {
        EXPECT_EQ(ReadBytes(m_out + "/right.dat"), secret);
    } else {
        EXPECT_EQ(result, ZipPasswordNeeded);
        EXPECT_TRUE(OutputFolderNames().empty());
    }
}

TEST_F(ZipReaderTest, MissingOutputFolderCannotBeCreated) {
    OpenMinizip({{"m", "x"}});
    ASSERT_EQ(SetZipBaseFolder(m_handle, m_dir / "absent"), ZipOk);
    EXPECT_EQ(UnzipEntryToFile(m_handle, 0, "m.dat"), ZipCannotOpen);
    EXPECT_FALSE(FileExists(m_dir / "absent"));
}

TEST_F(ZipReaderTest, FailedWriteLeavesNothingBehind) {
    OpenMinizip({{"big", test::NoiseBytes(100000, 5)}});
    // A file size limit makes write() fail part-way, as a full disk would.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 20000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::uint32_t result = UnzipEntryToFile(m_handle, 0, "big.dat");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, ZipWriteFailed);
    EXPECT_TRUE(OutputFolderNames().empty());
}

} // namespace
} // namespace kelvarin
