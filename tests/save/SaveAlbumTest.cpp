// The shared save: what lands where, the same bytes whether pictures are computed ahead on
// workers or one by one, and an error that stops the save at its entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "AlbumState.h"
#include "Errors.h"
#include "FileSystem.h"
#include "InputList.h"
#include "JpegCodec.h"
#include "OutputNames.h"
#include "PictureView.h"
#include "Raster.h"
#include "SaveAlbum.h"
#include "TestSupport.h"
#include "TextFile.h"

namespace albumon {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

void WriteJpeg(const std::string& path, int width, int height, bool gray = false) {
    Raster raster(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = raster.Row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x * 7 + y);
            p[1] = static_cast<std::uint8_t>(gray ? p[0] : y * 5);
            p[2] = static_cast<std::uint8_t>(gray ? p[0] : (x ^ y));
        }
    }
    EncodeOptions options;
    options.quality = 90;
    options.grayOutput = gray;
    test::WriteFile(path, EncodeJpeg(raster, options));
}

class SaveAlbumTest : public ::testing::Test {
  protected:
    SaveAlbumTest() {
        fs::copy(ALBUMON_SOURCE_DIR "/Def", dir / "Def", fs::copy_options::recursive);
        state.TemplatePath = dir / "Def/";
        state.TempPath = dir / "Temp";
        ForceDirectories(state.TempPath);
        WriteJpeg(dir / "in/a.jpg", 320, 240);
        WriteJpeg(dir / "in/b.jpg", 90, 160);
        WriteJpeg(dir / "in/g.jpg", 200, 100, true);
        WriteJpeg(dir / "in/c.JPEG", 50, 40);
    }

    // Fills the album: a, b (turned, note below), the commentary card, g (gray, turned), c
    // (note above).
    void Fill(const std::string& out) {
        state.OutPath = out + "/";
        ForceDirectories(out);
        ClearAlbum(state);
        AddFiles(state, {dir / "in/a.jpg", dir / "in/b.jpg", dir / "in/g.jpg", dir / "in/c.JPEG"},
                 naming);
        InsertCommentary(state, 1);
        state.Entries[1].Rotation = 1;
        state.Entries[3].Rotation = 2;
        EditingState note;
        note.MemoLines = {"夕方", "<b>海</b>"};
        StoreCurrentEntry(state, 1, note, naming);
        note.NoteAbove = true;
        StoreCurrentEntry(state, 4, note, naming);
        RefreshOutputNames(state, naming);
    }

    // Every file below folder with its bytes.
    static std::map<std::string, std::string> Contents(const std::string& folder) {
        std::map<std::string, std::string> files;
        for (const auto& item : fs::recursive_directory_iterator(folder)) {
            if (item.is_regular_file()) {
                files[fs::relative(item.path(), folder).string()] = test::ReadFile(item.path());
            }
        }
        return files;
    }

    test::TempDir dir;
    AlbumState state;
    NamingBase naming;
    PictureView view;
};

TEST_F(SaveAlbumTest, WritesTheAlbumAndClearsTheEntries) {
    naming.HeadText = "旅";
    Fill(dir / "out");
    std::vector<int> progress;
    SaveAlbum(state, view, "旅", [&](int position, int maximum) {
        EXPECT_EQ(maximum, 5);
        progress.push_back(position);
    });
    EXPECT_EQ(progress, (std::vector<int>{0, 0, 1, 2, 3, 4}));
    EXPECT_EQ(state.EntryCount, 0);
    EXPECT_EQ(test::FolderNames(dir / "out/旅.files"),
              (Names{"$_旅001.jpg", "$_旅002.jpg", "$_旅003.jpg", "$_旅004.jpg", "$_旅005.jpg",
                     "album.css", "album.js", "旅001.jpg", "旅002.htm", "旅002.jpg", "旅003.jpg",
                     "旅004.jpg", "旅005.htm", "旅005.jpg"}));
    EXPECT_EQ(test::ReadFile(dir / "out/旅.files/旅001.jpg"), test::ReadFile(dir / "in/a.jpg"));
    JpegHeader turned = ReadJpegHeader(test::ReadFile(dir / "out/旅.files/旅002.jpg"));
    EXPECT_EQ(turned.width, 160);  // b.jpg, 90 x 160, a quarter turn
    EXPECT_EQ(turned.height, 90);
    EXPECT_TRUE(FileExists(dir / "out/旅.htm"));
}

TEST_F(SaveAlbumTest, WorkersWriteTheSameBytesAsOneByOne) {
    Fill(dir / "one");
    SaveAlbum(state, view, "h", nullptr, SaveOptions{1});
    Fill(dir / "many");
    SaveAlbum(state, view, "h", nullptr, SaveOptions{4});
    auto one = Contents(dir / "one");
    EXPECT_EQ(one.size(), 15u);
    EXPECT_TRUE(one == Contents(dir / "many"));
}

TEST_F(SaveAlbumTest, PicturesNotHandledAsAskedAreReportedInListOrder) {
    test::WriteFile(dir / "in/bad.jpg", "not a picture");
    WriteJpeg(dir / "in/odd.jpg", 100, 50);  // 100 x 50 allows no lossless half turn
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        const std::string out = dir / ("out" + std::to_string(threads));
        Fill(out);
        AddFiles(state, {dir / "in/odd.jpg", dir / "in/bad.jpg"}, naming);
        state.Entries[5].Rotation = 2;
        state.Entries[6].Rotation = 1;
        RefreshOutputNames(state, naming);
        state.LosslessTurns = true;
        std::vector<SaveNotice> notices =
            SaveAlbum(state, view, "h", nullptr, SaveOptions{threads});
        std::vector<std::pair<std::string, PictureNotice>> seen;
        for (const SaveNotice& notice : notices)
            seen.emplace_back(notice.SourcePath, notice.Kind);
        EXPECT_EQ(seen, (std::vector<std::pair<std::string, PictureNotice>>{
                            {dir / "in/g.jpg", pnLosslessFellBack},  // 100 rows: 12.5 blocks
                            {dir / "in/odd.jpg", pnLosslessFellBack},
                            {dir / "in/bad.jpg", pnNoPreview},
                            {dir / "in/bad.jpg", pnTurnFailed}}));
        // The index never points at a thumbnail that is not there.
        EXPECT_TRUE(FileExists(out + "/h.files/$_無題007.jpg"));
        EXPECT_EQ(test::ReadFile(out + "/h.files/無題007.jpg"), "not a picture");
        EXPECT_EQ(NoticeText(notices[2]).rfind(dir / "in/bad.jpg: ", 0), 0u);
    }
}

TEST_F(SaveAlbumTest, AnErrorStopsAtItsEntry) {
    naming.HeadText = "h";
    for (int threads : {1, 3}) {
        const std::string out = dir / ("out" + std::to_string(threads));
        Fill(out);
        ::unlink((dir / "in/g.jpg").c_str());  // entry 3, after the commentary entry
        EXPECT_THROW(SaveAlbum(state, view, "h", nullptr, SaveOptions{threads}), EFOpenError);
        EXPECT_EQ(state.EntryCount, 5);
        EXPECT_EQ(test::FolderNames(out + "/h.files"),
                  (Names{"$_h001.jpg", "$_h002.jpg", "$_h003.jpg", "h001.jpg", "h002.htm",
                         "h002.jpg", "h003.jpg"}));
        EXPECT_FALSE(FileExists(out + "/h.htm"));
        WriteJpeg(dir / "in/g.jpg", 200, 100, true);
    }
}

TEST_F(SaveAlbumTest, ResavingAnAlbumFolderInAnotherOrderKeepsEveryPicture) {
    naming.HeadText = "旅";
    Fill(dir / "out");
    SaveAlbum(state, view, "旅", nullptr);
    const std::string album = dir / "out/旅.files";
    auto before = Contents(album);
    for (int threads : {1, 2}) {
        // The picture folder opened again, in reverse order: every entry's output replaces the
        // source of another entry that comes later.
        AddFolder(state, album, FolderOrder::ByName);
        ASSERT_EQ(state.EntryCount, 5);
        std::reverse(state.Entries.begin(), state.Entries.begin() + 5);
        RefreshOutputNames(state, naming);
        SaveAlbum(state, view, "旅", nullptr, SaveOptions{threads});
        auto after = Contents(album);
        for (int k = 1; k <= 5; ++k) {
            const std::string name = "旅00" + std::to_string(k) + ".jpg";
            const std::string from = "旅00" + std::to_string(6 - k) + ".jpg";
            EXPECT_EQ(after[name], before[from]) << name << " with " << threads << " thread(s)";
        }
        before = after;
        for (const std::string& name : test::FolderNames(state.TempPath)) {
            EXPECT_EQ(name.rfind("Note", 0), 0u) << name << " left in the work folder";
        }
    }
}

TEST_F(SaveAlbumTest, ResaveDropsThePageOfANameWhosePictureLostItsNote) {
    naming.HeadText = "旅";
    Fill(dir / "out");  // notes on 旅002 and 旅005
    SaveAlbum(state, view, "旅", nullptr);
    const std::string album = dir / "out/旅.files";
    const std::string page5 = test::ReadFile(album + "/旅005.htm");
    AddFolder(state, album, FolderOrder::ByName);
    ASSERT_EQ(state.EntryCount, 5);
    // The fifth picture moves to the front: 旅005 is now the fourth one, which has no note.
    std::rotate(state.Entries.begin(), state.Entries.begin() + 4, state.Entries.begin() + 5);
    RefreshOutputNames(state, naming);
    SaveAlbum(state, view, "旅", nullptr);
    EXPECT_EQ(test::FolderNames(album),
              (Names{"$_旅001.jpg", "$_旅002.jpg", "$_旅003.jpg", "$_旅004.jpg", "$_旅005.jpg",
                     "album.css", "album.js", "旅001.htm", "旅001.jpg", "旅002.jpg", "旅003.htm",
                     "旅003.jpg", "旅004.jpg", "旅005.jpg"}));
    // The notes follow their pictures when the folder is opened again.
    AddFolder(state, album, FolderOrder::ByName);
    EXPECT_EQ(state.Entries[0].NotePos, npAbove);
    EXPECT_EQ(state.Entries[2].NotePos, npBelow);
    for (int k : {1, 3, 4})
        EXPECT_EQ(state.Entries[k].NotePos, npNone) << k;
    EXPECT_EQ(
        page5.find("ALBUMON PRENOTE BEGIN") != std::string::npos,
        test::ReadFile(album + "/旅001.htm").find("ALBUMON PRENOTE BEGIN") != std::string::npos);
}

TEST_F(SaveAlbumTest, EmptyPrefixResaveKeepsThePictures) {
    state.ThumbPrefix = "";
    Fill(dir / "out");
    SaveAlbum(state, view, "h", nullptr);
    const std::string album = dir / "out/h.files";
    auto before = Contents(album);
    AddFolder(state, album, FolderOrder::ByName);
    RefreshOutputNames(state, NamingBase{"無題", 1});
    SaveAlbum(state, view, "h", nullptr);
    auto after = Contents(album);
    for (const char* name : {"無題001.jpg", "無題002.jpg", "無題003.jpg"}) {
        EXPECT_EQ(after[name], before[name]) << name;
    }
}

TEST_F(SaveAlbumTest, EmptyAlbumStillWritesIndexAndSupportFiles) {
    state.OutPath = dir / "deep/out/";
    SaveAlbum(state, view, "", nullptr);
    EXPECT_TRUE(FileExists(dir / "deep/out/.htm"));
    EXPECT_EQ(test::FolderNames(dir / "deep/out/.files"), (Names{"album.css", "album.js"}));
    EXPECT_EQ(test::ReadFile(dir / "deep/out/.htm").find("Fname["), std::string::npos);
}

}  // namespace
}  // namespace albumon
