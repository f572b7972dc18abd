#pragma once

#include "app/FixedNames.h"
#include "app/WorkingFolders.h"
#include "pipeline/FrontEnd.h"
#include "pipeline/MemoryList.h"
#include "pipeline/Stages.h"
#include "support/FakeFrontEnd.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>
#include <zip.h>

namespace kelvarin::test {

using Members = std::vector<std::pair<std::string, std::string>>;

// A zip archive of `members` (name, content), deflated, written to `path`.
inline void WriteZip(const std::string& path, const Members& members) {
    zipFile archive = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(archive, nullptr) << path;
    for (const auto& [name, content] : members) {
        zip_fileinfo info{};
        ASSERT_EQ(zipOpenNewFileInZip(archive, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                      Z_DEFLATED, Z_DEFAULT_COMPRESSION),
                  ZIP_OK);
        ASSERT_EQ(
            zipWriteInFileInZip(archive, content.data(), static_cast<unsigned>(content.size())),
            ZIP_OK);
        ASSERT_EQ(zipCloseFileInZip(archive), ZIP_OK);
    }
    ASSERT_EQ(zipClose(archive, nullptr), ZIP_OK);
}

// One line of a daily price file with every field in its columns, CR LF ended.
inline std::string DailyLine(const std::string& date, const std::string& name,
                             const std::string& code, const std::string& open,
                             const std::string& high, const std::string& low,
                             const std::string& close, const std::string& volume) {
    std::string line(135, ' ');
    const auto left = [&line](std::size_t at, const std::string& text) {
        line.replace(at, text.size(), text);
    };
    const auto right = [&line](std::size_t last, std::size_t width, const std::string& text) {
        line.replace(last + 1 - std::min(width, text.size()), text.size(), text);
    };
    left(0, date);
    left(11, name);
    left(51, code);
    right(62, 7, high);
    right(70, 7, low);
    right(78, 7, close);
    right(96, 9, volume);
    right(134, 7, open);
    return line + "\r\n";
}

// Three working folders in a fresh base folder, a recording front end and
// one in-memory list per stage.
class StageTest : public ::testing::Test {
protected:
    StageTest() {
        folders.BaseFolder = dir.Path();
        folders.ResetToBaseDefaults();
        for (const std::string* folder :
             {&folders.ZipFolder, &folders.UnzipFolder, &folders.StockFolder})
            ::mkdir(folder->c_str(), 0777);
        StopRequested = 0;
    }
    ~StageTest() override { StopRequested = 0; }

    void RefreshZipList() { RefreshFileList(folders.ZipFolder, zipList, ZipPattern, frontEnd); }
    void RefreshUnzipList() {
        RefreshFileList(folders.UnzipFolder, unzipList, DatPattern, frontEnd);
    }
    void RefreshStockList() {
        RefreshFileList(folders.StockFolder, stockList, TxtPattern, frontEnd);
    }

    static std::vector<std::string> Rows(const StageList& list) {
        std::vector<std::string> rows;
        for (int row = 0; row < list.Count(); ++row)
            rows.push_back(list.Text(row));
        return rows;
    }

    TempDir dir;
    WorkingFolders folders;
    FakeFrontEnd frontEnd;
    StageContext context{folders, frontEnd};
    MemoryList remoteList;
    MemoryList zipList;
    MemoryList unzipList;
    MemoryList stockList;
};

} // namespace kelvarin::test
