#pragma once

#include "app/FixedNames.h"
#include "app/WorkingFolders.h"
#include "pipeline/FrontEnd.h"
#include "pipeline/MemoryList.h"
#include "pipeline/Stages.h"
#include "support/FakeFrontEnd.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"
#include "support/TestArchives.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace kelvarin::test {

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
