// The save transaction's two ends: dropped without Commit it rolls back whatever it got to; once
// committed, a failure after the album is in place keeps the new album and clears the staging.
#include <new>
#include <stdexcept>

#include "Errors.h"
#include "FileSystem.h"
#include "SaveFixture.h"
#include "SaveRecord.h"
#include "SaveStage.h"
#include "SaveTransaction.h"

namespace albumon {
namespace {

namespace fs = std::filesystem;
using test::WriteFile;

class TransactionRollbackTest : public test::SaveAlbumTest {
  protected:
    std::string Out() const { return dir / "out/"; }
    std::string Album() const { return dir / "out/旅.files"; }

    void SaveEarlier() {
        naming.HeadText = "旅";
        Fill(dir / "out");
        SaveAlbum(state, view, "旅", nullptr);
    }

    // The names of the save's staging folders left below the output folder.
    std::vector<std::string> StagingLeft() const {
        std::vector<std::string> left;
        if (!fs::exists(Out()))
            return left;
        for (const auto& item : fs::recursive_directory_iterator(Out())) {
            if (item.path().filename().string().rfind(".albumon-save-", 0) == 0)
                left.push_back(item.path());
        }
        return left;
    }
};

// Over an earlier album or into an output folder that did not exist, a transaction that goes
// without Commit leaves every file as it was (the record included) and nothing of its own.
TEST_F(TransactionRollbackTest, WithoutCommitEverythingIsAsItWas) {
    enum Reach { Locked, Written, WriteFailed };
    struct Case {
        const char* name;
        bool earlier;
        Reach reach;
    };
    const Case cases[] = {
        {"locked over an album", true, Locked},
        {"written over an album", true, Written},
        {"failed writing over an album", true, WriteFailed},
        {"locked into a new folder", false, Locked},
        {"written into a new folder", false, Written},
        {"failed writing into a new folder", false, WriteFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir / "out");
        if (c.earlier)
            SaveEarlier();
        const auto before = c.earlier ? Contents(dir / "out") : decltype(Contents("")){};
        std::string error;
        try {
            SaveTransaction save(Album(), Out(), Out() + "旅.htm");
            if (c.reach != Locked)
                save.Write([&](StagedSave& staged) {
                    const std::string page = staged.Stage(Album() + "/旅001.htm");
                    WriteFile(page, "new page");
                    WriteFile(staged.Stage(Album() + "/mine.txt"), "new file");
                    WriteFile(staged.Stage(Out() + "旅.htm"), "new index");
                    if (c.reach == WriteFailed)
                        throw Exception("書けません: " + page);
                });
        } catch (const Exception& failed) {
            error = failed.what();
        }
        if (c.earlier)
            EXPECT_TRUE(Contents(dir / "out") == before);
        else
            EXPECT_FALSE(fs::exists(dir / "out"));
        EXPECT_EQ(StagingLeft(), std::vector<std::string>{});
        // The error names the file by the path it was to take.
        EXPECT_EQ(error, c.reach == WriteFailed ? "書けません: " + Album() + "/旅001.htm" : "");
    }
}

// AfterPlaced failing after the album is in place: the new album stays, the entries are cleared,
// the work folder and the staging folders go and the record forgets them; the error comes out
// (running out of memory as the save's Exception).
TEST_F(TransactionRollbackTest, AFailureAfterTheAlbumIsPlacedKeepsTheNewAlbum) {
    struct Case {
        const char* name;
        void (*fail)();
    };
    const Case cases[] = {
        {"an error", [] { throw Exception("packing"); }},
        {"out of memory", [] { throw std::bad_alloc(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir / "out");
        SaveEarlier();
        WriteFile(Album() + "/mine.txt", "mine");
        Fill(dir / "out");
        state.Entries[0].Rotation = 1;  // the album saved anew differs from the earlier one
        const auto earlier = Contents(dir / "out");
        std::string work;
        SaveOptions options;
        options.AfterPlaced = [&](const std::string& folder) {
            work = folder;
            EXPECT_TRUE(fs::is_directory(folder));
            EXPECT_EQ(state.EntryCount, 0);
            c.fail();
        };
        EXPECT_THROW(SaveAlbum(state, view, "旅", nullptr, options), Exception);
        EXPECT_EQ(state.EntryCount, 0);
        EXPECT_FALSE(Contents(dir / "out") == earlier);
        EXPECT_EQ(test::ReadFile(Album() + "/mine.txt"), "mine");
        EXPECT_FALSE(work.empty());
        EXPECT_FALSE(fs::exists(work));
        EXPECT_EQ(StagingLeft(), std::vector<std::string>{});
        const auto record = ReadSaveRecord(Album());
        ASSERT_TRUE(record);
        EXPECT_TRUE(record->stages.empty());
        EXPECT_TRUE(record->files.count("旅001.jpg") == 1) << "the new album is on the record";
    }
}

}  // namespace
}  // namespace albumon

namespace albumon {
namespace {

// A save killed once its files were placed but before it removed the earlier save's files it no
// longer wrote: the next reader's recovery removes them as that save would have (a file the user
// changed since stays, as his own) and the record keeps only what the killed save wrote.
TEST(KilledAfterPlacingTest, RecoveryFinishesTheRemovals) {
    for (const bool edited : {false, true}) {
        SCOPED_TRACE(edited);
        test::TempDir dir;
        const std::string album = dir / "a.files";
        ForceDirectories(album);
        test::WriteFile(album + "/old.jpg", "the earlier save's");
        SaveRecord earlier(album);
        earlier.Wrote("old.jpg");
        earlier.NoteStages({});
        earlier.Placed();
        earlier.Finish();
        earlier.Close();

        test::WriteFile(album + "/new.jpg", "the killed save's");
        SaveRecord killed(album);
        killed.Wrote("new.jpg");
        killed.NoteStages({{false, ".albumon-save-gone", false}, {true, ".albumon-save-x", false}});
        killed.Placed();  // killed here
        ASSERT_EQ(ReadSaveRecord(album)->leaving.count("old.jpg"), 1u);
        if (edited)
            test::WriteFile(album + "/old.jpg", "the user's edit");

        SaveRecord reader(album);
        RecoverKilledSave(reader, album, dir / "");
        EXPECT_EQ(FileExists(album + "/old.jpg"), edited);
        const std::optional<RecordContents> record = ReadSaveRecord(album);
        ASSERT_TRUE(record);
        EXPECT_TRUE(record->leaving.empty());
        EXPECT_TRUE(record->stages.empty());
        EXPECT_EQ(record->files.count("new.jpg"), 1u);
        EXPECT_EQ(record->files.count("old.jpg"), 0u);  // gone, or the user's now
    }
}

}  // namespace
}  // namespace albumon
