// Archives as other zip tools write them, made at run time by the tools
// themselves (Info-ZIP's zip and Python's zipfile): Zip64 records, data
// descriptors, extra blocks of other tools. Each must pass the check Download
// makes and give its member back byte for byte.
#include "pipeline/ArchiveCheck.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"
#include "zip/ZipReader.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <ostream>
#include <sys/stat.h>

namespace kelvarin::test {
namespace {

// Writes a.zip in its folder the way MODE (argv[1]) says. "pipe" writes to a
// stream that cannot seek back, as to a pipe: sizes and CRC then follow the
// data in data descriptors. "zip64" gives the member Zip64 headers.
// "extras" gives it blocks of other tools: NTFS times (0x000a) and the empty
// block jar puts first (0xcafe).
constexpr char PythonWriter[] = R"(import io, struct, sys, zipfile
mode = sys.argv[1]
daily = open("SESPRICE.DAT", "rb").read()
class Pipe(io.RawIOBase):
    def __init__(self, f): self.f = f
    def writable(self): return True
    def write(self, b): return self.f.write(b)
with open("a.zip", "wb") as out:
    with zipfile.ZipFile(Pipe(out) if "pipe" in mode else out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("SESPRIFD.DAT", b"other")
        info = zipfile.ZipInfo("SESPRICE.DAT", (2004, 1, 23, 18, 30, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        if "extras" in mode:
            info.extra = struct.pack("<HHIHHQQQHH", 10, 32, 0, 1, 24, 1, 2, 3, 0xCAFE, 0)
        with z.open(info, "w", force_zip64="zip64" in mode) as f:
            f.write(daily)
)";

// Debian's python3, as scripts/install-deps installs it: one found earlier on
// PATH may be a version manager's shim that takes seconds to start.
struct ToolArchive {
    const char* name;
    const char* command; // run in the folder of SESPRICE.DAT and SESPRIFD.DAT
    const char* member;
};

void PrintTo(const ToolArchive& tool, std::ostream* out) {
    *out << tool.command;
}

const ToolArchive ToolArchives[] = {
    {"InfoZip", "zip -q a.zip SESPRIFD.DAT SESPRICE.DAT", "SESPRICE.DAT"},
    // Zip64 local and directory records, the directory's size field marked.
    {"InfoZipZip64", "zip -q -fz a.zip SESPRIFD.DAT SESPRICE.DAT", "SESPRICE.DAT"},
    {"InfoZipToAPipe", "zip -q - SESPRIFD.DAT SESPRICE.DAT | cat > a.zip", "SESPRICE.DAT"},
    // Read from a pipe, the data's size unknown: a Zip64 local header.
    {"InfoZipFromAPipe", "cat SESPRICE.DAT | zip -q - - | cat > a.zip", "-"},
    {"Python", "/usr/bin/python3 writer.py plain", "SESPRICE.DAT"},
    {"PythonToAPipe", "/usr/bin/python3 writer.py pipe", "SESPRICE.DAT"},
    {"PythonZip64", "/usr/bin/python3 writer.py zip64", "SESPRICE.DAT"},
    {"PythonZip64ToAPipe", "/usr/bin/python3 writer.py zip64-pipe", "SESPRICE.DAT"},
    {"PythonOtherToolsExtras", "/usr/bin/python3 writer.py extras-zip64", "SESPRICE.DAT"},
};

class ToolArchiveTest : public ::testing::TestWithParam<ToolArchive> {
protected:
    ToolArchiveTest() {
        ::mkdir(m_out.c_str(), 0777);
        WriteBytes(m_dir / "SESPRICE.DAT", m_daily);
        WriteBytes(m_dir / "SESPRIFD.DAT", "other\r\n");
        WriteBytes(m_dir / "writer.py", PythonWriter);
    }
    ~ToolArchiveTest() override {
        if (m_handle)
            CloseZipArchive(m_handle);
    }

    std::string Made(const std::string& command) {
        const std::string line = "cd '" + m_dir.Path() + "' && " + command;
        EXPECT_EQ(std::system(line.c_str()), 0) << line;
        return ReadBytes(m_dir / "a.zip");
    }

    // Opens a.zip and gives the index of `member`, -1 when it is not there.
    int Find(const std::string& member) {
        m_handle = OpenZipArchive(m_dir / "a.zip");
        if (!m_handle || SetZipBaseFolder(m_handle, m_out) != ZipOk)
            return -1;
        ZipEntryInfo info;
        GetZipEntry(m_handle, -1, info);
        const int members = info.index;
        for (int index = 0; index < members; ++index) {
            if (GetZipEntry(m_handle, index, info) == ZipOk && info.name == member)
                return index;
        }
        return -1;
    }

    TempDir m_dir;
    const std::string m_out = m_dir / "out";
    // Text of a daily file: compressible, yet more than one read window.
    const std::string m_daily = [] {
        std::string text;
        for (int line = 0; line < 3000; ++line)
            text += "2004-01-23 STOCK " + std::to_string(line * 7919 % 10007) + "\r\n";
        return text;
    }();
    ZipArchiveHandle* m_handle = nullptr;
};

TEST_P(ToolArchiveTest, PassesTheCheckAndUnzipsByteExact) {
    const std::string bytes = Made(GetParam().command);
    std::string cause;
    EXPECT_TRUE(IsCompleteZipArchive(bytes, &cause)) << cause;

    const int member = Find(GetParam().member);
    ASSERT_GE(member, 0) << std::hex << ZipLastResult();
    ZipEntryInfo info;
    ASSERT_EQ(GetZipEntry(m_handle, member, info), ZipOk);
    EXPECT_EQ(info.uncompressedSize, m_daily.size());
    EXPECT_LT(info.compressedSize, m_daily.size());
    ASSERT_EQ(UnzipEntryToFile(m_handle, member, "SGX20040123.dat"), ZipOk)
        << std::hex << ZipLastResult();
    EXPECT_EQ(ReadBytes(m_out + "/SGX20040123.dat"), m_daily);
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolArchiveTest, ::testing::ValuesIn(ToolArchives),
                         [](const auto& tool) { return std::string(tool.param.name); });

std::size_t Little16(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

// Where the first directory entry's extra block tagged `tag` starts.
std::size_t DirectoryExtraBlock(const std::string& archive, std::size_t tag) {
    const std::size_t central = archive.find("PK\x01\x02");
    if (central == std::string::npos)
        return central;
    std::size_t at = central + 46 + Little16(archive, central + 28);
    const std::size_t end = at + Little16(archive, central + 30);
    for (; at + 4 <= end; at += 4 + Little16(archive, at + 2)) {
        if (Little16(archive, at) == tag)
            return at;
    }
    return std::string::npos;
}

// The size in a member's Zip64 block is the one the 1 GiB limit applies to.
class Zip64LimitTest : public ToolArchiveTest {};

TEST_F(Zip64LimitTest, Zip64SizeBeyondOneGibIsRefusedBeforeAnyByteIsWritten) {
    std::string bytes = Made("zip -q -fz a.zip SESPRICE.DAT");
    // Info-ZIP marks only the uncompressed size, so the block holds just that.
    const std::size_t block = DirectoryExtraBlock(bytes, 0x0001);
    ASSERT_NE(block, std::string::npos);
    const std::uint64_t claimed = ZipMemberLimit + 1;
    for (int i = 0; i < 8; ++i)
        bytes[block + 4 + i] = static_cast<char>((claimed >> (8 * i)) & 0xFF);
    WriteBytes(m_dir / "a.zip", bytes);

    std::string cause;
    EXPECT_FALSE(IsCompleteZipArchive(bytes, &cause));
    EXPECT_NE(cause.find("1 GiB"), std::string::npos) << cause;
    const int member = Find("SESPRICE.DAT");
    ASSERT_GE(member, 0);
    EXPECT_EQ(UnzipEntryToFile(m_handle, member, "SGX20040123.dat"), ZipInflateFailed);
    EXPECT_FALSE(FileExists(m_out + "/SGX20040123.dat"));
}

} // namespace
} // namespace kelvarin::test
