// A save as a transaction: only the save's own files are ever removed, a refused support file is
// a notice, a failed save leaves the album byte for byte as it was, and one save at a time.
#include <sys/stat.h>
#include <unistd.h>

#include "Errors.h"
#include "SaveFixture.h"

namespace albumon {
namespace {

using test::FolderNames;
using test::Names;
using test::ReadFile;
using test::SaveAlbumTest;
using test::WriteFile;

class SaveTransactionTest : public SaveAlbumTest {
  protected:
    std::string Album() const { return dir / "out/旅.files"; }

    void Save(const SaveOptions& options = {}) {
        naming.HeadText = "旅";
        Fill(dir / "out");
        SaveAlbum(state, view, "旅", nullptr, options);
    }
};

TEST_F(SaveTransactionTest, OnlyTheSavesOwnFilesAreRemoved) {
    Save();
    // 旅001 has no note: a page of that name is the user's, and so are the look-alikes of the
    // archive's temporary.
    const std::map<std::string, std::string> mine{{"旅.files/旅001.htm", "hand-made page"},
                                                  {"旅.zip.backup", "backup"},
                                                  {"旅.zip.old", "old"},
                                                  {"旅.zip.a1b2c3", "look-alike"},
                                                  {"旅.files/x.jpg.albumon-0a1b2c", "mine"}};
    for (const auto& [name, bytes] : mine)
        WriteFile(dir / ("out/" + name), bytes);
    state.MakeZip = true;
    Save();
    Save();
    for (const auto& [name, bytes] : mine)
        EXPECT_EQ(ReadFile(dir / ("out/" + name)), bytes) << name;
    EXPECT_EQ(FolderNames(dir / "out"), (Names{"旅.files", "旅.htm", "旅.zip", "旅.zip.a1b2c3",
                                               "旅.zip.backup", "旅.zip.old"}));
}

TEST_F(SaveTransactionTest, ARefusedSupportFileIsANoticeAndTheSaveGoesOn) {
    WriteFile(dir / "secret.txt", "outside the template");
    ASSERT_EQ(::symlink((dir / "secret.txt").c_str(), (dir / "Def/Def.files/out.txt").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "Def/Def.files/pipe").c_str(), 0644), 0);
    naming.HeadText = "旅";
    Fill(dir / "out");
    const std::vector<SaveNotice> notices = SaveAlbum(state, view, "旅", nullptr);
    EXPECT_EQ(state.EntryCount, 0);
    ASSERT_EQ(notices.size(), 2u);
    Names named;
    for (const SaveNotice& notice : notices)
        named.push_back(NoticeText(notice).substr(0, NoticeText(notice).find(':')));
    std::sort(named.begin(), named.end());
    EXPECT_EQ(named, (Names{dir / "Def/Def.files/out.txt", dir / "Def/Def.files/pipe"}));
    EXPECT_TRUE(FileExists(Album() + "/album.css"));
    EXPECT_FALSE(FileExists(Album() + "/out.txt"));
    EXPECT_TRUE(FileExists(dir / "out/旅.htm"));
}

TEST_F(SaveTransactionTest, AFailedSaveLeavesTheAlbumAsItWas) {
    // Over an earlier album, and into a folder that did not exist: a vanished source, a read-only
    // page (found before any file is put in place) and a cancel.
    enum How { Vanished, ReadOnlyPage, Cancelled };
    for (const bool earlier : {true, false}) {
        for (How how : {Vanished, ReadOnlyPage, Cancelled}) {
            SCOPED_TRACE(std::to_string(earlier) + " " + std::to_string(how));
            std::filesystem::remove_all(dir / "out");
            if (earlier) {
                Save();
                WriteFile(Album() + "/mine.txt", "mine");
            }
            const auto before = earlier ? Contents(dir / "out") : decltype(Contents("")){};
            naming.HeadText = "旅";
            Fill(dir / "out2");
            state.OutPath = dir / "out/";
            state.Entries[1].Rotation = 3;
            state.ThumbPrefix = "t_";
            if (how == Vanished)
                std::filesystem::rename(dir / "in/g.jpg", dir / "g.jpg");
            if (how == ReadOnlyPage && earlier)
                ::chmod((Album() + "/旅005.htm").c_str(), 0444);
            SaveOptions options;
            options.Cancelled = [how] { return how == Cancelled; };
            if (how != ReadOnlyPage || earlier) {
                EXPECT_THROW(SaveAlbum(state, view, "旅", nullptr, options), Exception);
                EXPECT_EQ(state.EntryCount, 5);
                if (earlier)
                    EXPECT_TRUE(Contents(dir / "out") == before);
                else
                    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
            }
            ::chmod((Album() + "/旅005.htm").c_str(), 0644);
            if (how == Vanished)
                std::filesystem::rename(dir / "g.jpg", dir / "in/g.jpg");
        }
    }
    // Saved over, the folder holds the album and nothing of the save besides its record.
    Save();
    Names expected{test::kSaveRecord};
    for (const std::string& name : FolderNames(Album()))
        expected.push_back(name);
    std::sort(expected.begin(), expected.end());
    Names all;
    for (const auto& item : std::filesystem::directory_iterator(Album()))
        all.push_back(item.path().filename());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, expected);
}

TEST_F(SaveTransactionTest, ASecondSaveOfTheSameAlbumFailsNamingIt) {
    Save();
    const auto before = Contents(dir / "out");
    AlbumState second;
    bool refused = false;
    naming.HeadText = "旅";
    Fill(dir / "out");
    second = state;
    // Every entry made again, so that the progress reaches the third.
    SaveOptions again;
    again.Rebuild = true;
    SaveAlbum(
        state, view, "旅",
        [&](int position, int) {
            if (position != 2 || refused)
                return;
            refused = true;
            PictureView other;
            try {
                SaveAlbum(second, other, "旅", nullptr);
                ADD_FAILURE() << "both saves ran";
            } catch (const Exception& error) {
                EXPECT_NE(std::string(error.what()).find(dir / "out/旅.htm"), std::string::npos)
                    << error.what();
            }
        },
        again);
    EXPECT_TRUE(refused);
    EXPECT_EQ(second.EntryCount, 5);
    EXPECT_TRUE(Contents(dir / "out") == before);  // the same album saved again
}

}  // namespace
}  // namespace albumon
