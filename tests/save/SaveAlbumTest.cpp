// The shared save: what lands where, the same bytes whether pictures are computed ahead on
// workers or one by one, and an error that stops the save with nothing written.
#include <algorithm>

#include "Errors.h"
#include "SaveFixture.h"
#include "TextFile.h"

namespace albumon {
namespace {

using test::WriteJpeg;

using test::SaveAlbumTest;
using Names = std::vector<std::string>;

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
                     "album.css", "album.js", "albumon-sizes", "旅001.jpg", "旅002.htm",
                     "旅002.jpg", "旅003.jpg", "旅004.jpg", "旅005.htm", "旅005.jpg"}));
    EXPECT_EQ(test::ReadFile(dir / "out/旅.files/旅001.jpg"), test::ReadFile(dir / "in/a.jpg"));
    JpegHeader turned = ReadJpegHeader(test::ReadFile(dir / "out/旅.files/旅002.jpg"));
    EXPECT_EQ(turned.width, 160);  // b.jpg, 90 x 160, a quarter turn
    EXPECT_EQ(turned.height, 90);
    EXPECT_TRUE(FileExists(dir / "out/旅.htm"));
}

TEST_F(SaveAlbumTest, WorkersWriteTheSameBytesAsOneByOne) {
    Fill(dir / "one");
    SaveAlbum(state, view, "h", nullptr, Threads(1));
    Fill(dir / "many");
    SaveAlbum(state, view, "h", nullptr, Threads(4));
    auto one = Contents(dir / "one");
    EXPECT_EQ(one.size(), 21u);  // the index page, 14 album files, 5 screen sizes, the record
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
        std::vector<SaveNotice> notices = SaveAlbum(state, view, "h", nullptr, Threads(threads));
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

TEST_F(SaveAlbumTest, AnErrorStopsTheSaveWithNothingWritten) {
    naming.HeadText = "h";
    for (int threads : {1, 3}) {
        const std::string out = dir / ("out" + std::to_string(threads));
        Fill(out);
        ::unlink((dir / "in/g.jpg").c_str());  // entry 3, after the commentary entry
        EXPECT_THROW(SaveAlbum(state, view, "h", nullptr, Threads(threads)), EFOpenError);
        EXPECT_EQ(state.EntryCount, 5);
        EXPECT_TRUE(test::FolderNames(out).empty());
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
        SaveAlbum(state, view, "旅", nullptr, Threads(threads));
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
                     "album.css", "album.js", "albumon-sizes", "旅001.htm", "旅001.jpg",
                     "旅002.jpg", "旅003.htm", "旅003.jpg", "旅004.jpg", "旅005.jpg"}));
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

// The first quantiser value (the DC step of the first table) of JPEG data: it follows from the
// quality the data was encoded at.
int FirstQuantizer(const std::string& jpeg) {
    const auto at = jpeg.find("\xFF\xDB");
    EXPECT_NE(at, std::string::npos) << "no quantisation table";
    return at == std::string::npos ? -1 : static_cast<std::uint8_t>(jpeg[at + 5]);
}

TEST_F(SaveAlbumTest, ThumbnailsAtSeventyFiveTurnsAtTheChosenQualityFromAnAccurateDecode) {
    state.JpegQuality = 40;
    Fill(dir / "out");
    SaveAlbum(state, view, "q", nullptr);
    const Raster plain(8, 8, pf24bit);
    EncodeOptions at75;
    at75.quality = 75;
    EncodeOptions at40;
    at40.quality = 40;
    ASSERT_NE(FirstQuantizer(EncodeJpeg(plain, at75)), FirstQuantizer(EncodeJpeg(plain, at40)));
    for (const char* thumbnail : {"$_無題001.jpg", "$_無題002.jpg", "$_無題005.jpg"}) {
        EXPECT_EQ(FirstQuantizer(test::ReadFile(dir / ("out/q.files/" + std::string(thumbnail)))),
                  FirstQuantizer(EncodeJpeg(plain, at75)))
            << thumbnail;
    }
    // The turned picture: the source decoded at full size in the accurate mode, turned and
    // encoded at the chosen quality.
    DecodeOptions accurate;
    at40.turn = rtRight;
    const std::string expected =
        EncodeJpeg(DecodeJpeg(test::ReadFile(dir / "in/b.jpg"), accurate), at40);
    EXPECT_TRUE(test::ReadFile(dir / "out/q.files/無題002.jpg") == expected);
}

TEST_F(SaveAlbumTest, FileListNamesEndAtTheLastDot) {
    naming.HeadText = "旅";
    Fill(dir / "out");
    EditingState named;
    named.Naming = EditingState::Specified;
    named.EditName = "v1.2.final.jpg";
    StoreCurrentEntry(state, 0, named, naming);
    SaveAlbum(state, view, "旅", nullptr);
    const std::string index = test::ReadFile(dir / "out/旅.htm");
    EXPECT_NE(index.find("Fname[0]=\"v1.2.final\";"), std::string::npos);
    EXPECT_NE(index.find("Fname[1]=\"旅001\";"), std::string::npos);
    EXPECT_TRUE(FileExists(dir / "out/旅.files/v1.2.final.jpg"));
}

}  // namespace
}  // namespace albumon
