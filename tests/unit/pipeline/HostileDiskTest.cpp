// Stage folders on a disk that fills up or turns read-only part-way: each
// write that fails names its file and cause, nothing half-written keeps a real
// name, and once there is room again the next Auto run completes the work as
// if nothing had happened. A small tmpfs is the disk; without the right to
// mount one the tests are skipped (the write failures themselves are tested
// with a file size limit in the component tests).
#include "LocalServer.h"
#include "StageFixture.h"
#include "app/AtomicFile.h"
#include "app/Settings.h"
#include "pipeline/Marker.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace kelvarin::test {
namespace {

using Strings = std::vector<std::string>;

// A tmpfs of its own size mounted on a folder for the length of a test.
class SmallDisk {
public:
    SmallDisk(const std::string& folder, const std::string& size) : m_folder(folder) {
        ::mkdir(folder.c_str(), 0777);
        m_mounted = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    }
    ~SmallDisk() {
        if (m_mounted)
            ::umount2(m_folder.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return m_mounted; }
    bool Resize(const std::string& size, bool readOnly = false) const {
        return ::mount("tmpfs", m_folder.c_str(), "tmpfs", MS_REMOUNT | (readOnly ? MS_RDONLY : 0),
                       ("size=" + size).c_str()) == 0;
    }

private:
    std::string m_folder;
    bool m_mounted = false;
};

std::string StockLine(const std::string& date, int stock) {
    const std::string number = std::to_string(stock);
    return DailyLine(date, "STOCK NUMBER " + number, "S" + number, "1.5", "1.75", "1.25", "1.6",
                     std::to_string(1000 + stock));
}

std::string DailyFile(const std::string& date, int stocks) {
    std::string file;
    for (int stock = 0; stock < stocks; ++stock)
        file += StockLine(date, stock);
    return file;
}

std::map<std::string, std::string> Files(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = ReadBytes(entry.path().string());
    return files;
}

// Text that compresses little, different for each seed text.
std::string NoiseText(std::size_t size, const std::string& seedText) {
    std::uint32_t seed = 2166136261u;
    for (const char c : seedText)
        seed = (seed ^ static_cast<unsigned char>(c)) * 16777619u;
    std::string text(size, ' ');
    for (char& c : text) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>('A' + (seed >> 24) % 26);
    }
    return text;
}

bool AnyMessageHas(const FakeFrontEnd& frontEnd, const std::string& text) {
    for (const auto& message : frontEnd.Messages())
        if (message.text.find(text) != std::string::npos)
            return true;
    return false;
}

class HostileDiskTest : public StageTest {
protected:
    void SetUp() override {
        if (!m_disk.Mounted())
            GTEST_SKIP() << "no right to mount a tmpfs here";
    }

    SmallDisk m_disk{dir / "disk", "64k"};
};

TEST_F(HostileDiskTest, StockFolderFillingUpStopsUpdateAndTheNextRunCompletesIt) {
    const Strings days{"2004-01-21", "2004-01-22", "2004-01-23"};
    for (const std::string& day : days)
        WriteBytes(folders.UnzipFolder + "SGX" + day.substr(0, 4) + day.substr(5, 2) +
                       day.substr(8, 2) + ".dat",
                   DailyFile(day, 40));
    RefreshUnzipList();
    // The library an Update on a roomy disk builds.
    ASSERT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Succeeded);
    const auto roomy = Files(folders.StockFolder);

    folders.StockFolder = dir / "disk/";
    // Forty history files of a page each do not fit in 64 KiB.
    EXPECT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Failed);
    EXPECT_TRUE(AnyMessageHas(frontEnd, "No space left on device"));
    EXPECT_TRUE(AnyMessageHas(frontEnd, folders.StockFolder));

    ASSERT_TRUE(m_disk.Resize("16m"));
    EXPECT_EQ(RunUpdate(context, true, unzipList, stockList), StageOutcome::Succeeded);
    EXPECT_EQ(Files(folders.StockFolder), roomy);
}

TEST_F(HostileDiskTest, ZipFolderFillingUpEndsDownloadAndTheNextRunCompletesIt) {
    LocalServer server;
    context.server = server.Url();
    for (const std::string id : {"20040121", "20040122", "20040123"}) {
        const std::string made = dir / "made.zip";
        WriteZipArchive(made, {{"SESPRICE.DAT", NoiseText(40000, id)}});
        server.Serve("/webprices.nsf/stkprices/" + id + "/$File/SESprice.zip", ReadBytes(made));
        remoteList.Add("SGX" + id);
    }
    folders.ZipFolder = dir / "disk/";

    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Failed);
    EXPECT_TRUE(AnyMessageHas(frontEnd, "No space left on device"));
    for (const auto& [name, bytes] : Files(folders.ZipFolder))
        EXPECT_FALSE(name.starts_with(PartialFilePrefix)) << name;

    ASSERT_TRUE(m_disk.Resize("16m"));
    EXPECT_EQ(RunDownload(context, true, remoteList, zipList), StageOutcome::Succeeded);
    EXPECT_EQ(Rows(zipList),
              (Strings{".", "..", "SGX20040121.zip", "SGX20040122.zip", "SGX20040123.zip"}));
    EXPECT_EQ(ReadBytes(folders.ZipFolder + std::string(AutoDownloadMarker)), "SGX20040123.zip");
}

TEST_F(HostileDiskTest, UnzipFolderFillingUpNamesTheArchivesAndLeavesNoPartialFile) {
    const Strings ids{"20040121", "20040122", "20040123"};
    for (const std::string& id : ids)
        WriteZipArchive(folders.ZipFolder + "SGX" + id + ".zip",
                        {{"SESPRICE.DAT", NoiseText(40000, id)}});
    RefreshZipList();
    folders.UnzipFolder = dir / "disk/";

    EXPECT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Failed);
    // At most one daily file fits in 64 KiB. The archives are unzipped side
    // by side, so which of them finds no room is left to chance.
    const auto files = Files(folders.UnzipFolder);
    int missing = 0;
    for (const std::string& id : ids) {
        const auto daily = files.find("SGX" + id + ".dat");
        if (daily != files.end()) {
            EXPECT_EQ(daily->second, NoiseText(40000, id)) << id;
        } else {
            ++missing;
            EXPECT_TRUE(
                AnyMessageHas(frontEnd, folders.ZipFolder + "SGX" + id + ".zip: cannot write"))
                << id;
        }
    }
    EXPECT_GE(missing, 2);
    for (const auto& [name, bytes] : files)
        EXPECT_TRUE(name.ends_with(".dat") || name == std::string(AutoUnzipMarker)) << name;
}

TEST_F(HostileDiskTest, SettingsAndMarkersOnAFullOrReadOnlyDiskKeepTheirOldContent) {
    const std::string settings = dir / "disk/kelvarin.ini";
    const std::string marker = dir / "disk/log_auto_update";
    ASSERT_TRUE(WriteSettings(settings, folders));
    ASSERT_TRUE(WriteMarker(marker, "SGX20040122.dat"));
    const std::string oldSettings = ReadBytes(settings);
    WriteBytes(dir / "disk/filler", std::string(52 * 1024, 'f'));
    WorkingFolders moved = folders;
    moved.ZipFolder = "/elsewhere/" + std::string(4000, 'z') + "/";
    std::string error;

    EXPECT_FALSE(WriteSettings(settings, moved, &error));
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
    EXPECT_EQ(ReadBytes(settings), oldSettings);

    ASSERT_TRUE(m_disk.Resize("64k", true));
    EXPECT_FALSE(WriteMarker(marker, "SGX20040123.dat", &error));
    EXPECT_NE(error.find("Read-only file system"), std::string::npos) << error;
    EXPECT_EQ(ReadBytes(marker), "SGX20040122.dat");
    EXPECT_EQ(Files(dir / "disk").size(), 3u);
}

} // namespace
} // namespace kelvarin::test
