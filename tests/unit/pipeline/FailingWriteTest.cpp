// One write step made to fail: the stage says which file and why, fails, and
// leaves what the next run needs to complete the work.
#include "StageFixture.h"
#include "app/AtomicFile.h"
#include "app/FileAccess.h"
#include "pipeline/FolderListing.h"
#include "pipeline/Marker.h"
#include "support/WriteFault.h"

#include <gtest/gtest.h>

namespace kelvarin::test {
namespace {

bool AnyMessageHas(const FakeFrontEnd& frontEnd, const std::string& text) {
    for (const auto& message : frontEnd.Messages())
        if (message.text.find(text) != std::string::npos)
            return true;
    return false;
}

class FailingWriteTest : public StageTest {};

TEST_F(FailingWriteTest, OnlyTheChosenStepFailsAndOnlyOnce) {
    const std::string path = dir / "kelvarin.ini";
    std::string error;
    const WriteFault fault(2, ENOSPC);

    // The second step is the first write, after the temporary file is made.
    EXPECT_FALSE(WriteFileAtomically(path, "new", &error));
    EXPECT_EQ(error, CannotMessage("write", path, ENOSPC));
    EXPECT_FALSE(FileExists(path));
    EXPECT_TRUE(WriteFileAtomically(path, "new", &error));
    EXPECT_EQ(ReadBytes(path), "new");
}

TEST_F(FailingWriteTest, MarkerThatCannotBeWrittenFailsTheCommitAndStaysAsItWas) {
    const std::string marker = folders.UnzipFolder + std::string(AutoUnzipMarker);
    WriteBytes(marker, "SGX20040122.zip");
    // The folder's flush, then the marker's temporary file.
    const WriteFault fault(2, EACCES);

    EXPECT_FALSE(CommitMarker(folders.UnzipFolder, AutoUnzipMarker, "SGX20040123.zip", frontEnd));
    EXPECT_TRUE(AnyMessageHas(frontEnd, CannotMessage("write", marker, EACCES)));
    EXPECT_EQ(ReadBytes(marker), "SGX20040122.zip");
}

TEST_F(FailingWriteTest, ArchiveThatCannotBeUnzippedIsUnzippedByTheNextAutoRun) {
    for (const std::string id : {"20040122", "20040123"})
        WriteZipArchive(folders.ZipFolder + "SGX" + id + ".zip", {{"SESPRICE.DAT", "day " + id}});
    RefreshZipList();
    {
        // The folder's lock, then the first daily file either archive creates.
        const WriteFault fault(2, ENOSPC);
        EXPECT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Failed);
    }
    EXPECT_TRUE(AnyMessageHas(frontEnd, ErrnoText(ENOSPC)));

    EXPECT_EQ(RunUnzip(context, true, zipList, unzipList), StageOutcome::Succeeded);
    EXPECT_EQ(ReadBytes(folders.UnzipFolder + "SGX20040122.dat"), "day 20040122");
    EXPECT_EQ(ReadBytes(folders.UnzipFolder + "SGX20040123.dat"), "day 20040123");
}

TEST_F(FailingWriteTest, ClearThatCannotDeleteAFileNamesItAndFails) {
    for (const std::string name : {"SGX20040122.zip", "SGX20040123.zip"})
        WriteBytes(folders.ZipFolder + name, "x");
    RefreshZipList();
    frontEnd.QueueAnswer(MessageAnswer::Ok);
    // The lock, the marker for the rows "." and "..", then the first archive.
    const WriteFault fault(4, EIO);

    EXPECT_EQ(ClearStageFiles(context, StageFolder::Zip, zipList), StageOutcome::Failed);
    EXPECT_TRUE(AnyMessageHas(frontEnd, folders.ZipFolder + "SGX20040122.zip"));
    EXPECT_TRUE(AnyMessageHas(frontEnd, ErrnoText(EIO)));
    EXPECT_TRUE(FileExists(folders.ZipFolder + "SGX20040122.zip"));
    EXPECT_FALSE(FileExists(folders.ZipFolder + "SGX20040123.zip"));
}

TEST_F(FailingWriteTest, StageFolderThatCannotBeCreatedIsNamedWithTheCause) {
    const std::string folder = dir / "new/";
    const WriteFault fault(1, EACCES);

    const FolderListing listing = ListStageFolder(folder, ZipPattern);

    ASSERT_TRUE(listing.message);
    EXPECT_NE(listing.message->find(CannotMessage("create", folder, EACCES)), std::string::npos)
        << *listing.message;
}

} // namespace
} // namespace kelvarin::test
