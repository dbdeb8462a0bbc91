// Keeping the album folder and its archive to exactly the album: files of removed entries leave
// both, the user's own files (and the album's pages he edited) stay, names that would lead out of
// the output folder are refused, long names and read-only pages are handled.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>

#include "ArchiveCtrls.h"
#include "Errors.h"
#include "SaveFixture.h"
#include "SaveRecord.h"

namespace albumon {
namespace {

namespace fs = std::filesystem;
using test::FolderNames;
using test::ReadFile;
using test::SaveAlbumTest;
using test::WriteFile;
using test::WriteJpeg;
using Names = std::vector<std::string>;

class AlbumUpkeepTest : public SaveAlbumTest {
  protected:
    std::string Album() const { return dir / "out/旅.files"; }

    // The first album: five entries, pages for the second and fifth.
    void SaveFirst() {
        naming.HeadText = "旅";
        Fill(dir / "out");
        SaveAlbum(state, view, "旅", nullptr);
    }

    // The second: a and c only, c with its note above.
    void SaveSecond(const SaveOptions& options = {}) {
        AddFiles(state, {dir / "in/a.jpg", dir / "in/c.JPEG"}, naming);
        EditingState note;
        note.MemoLines = {"上"};
        note.NoteAbove = true;
        StoreCurrentEntry(state, 1, note, naming);
        SaveAlbum(state, view, "旅", nullptr, options);
    }

    // The archive's entry names, sorted.
    Names ZipNames() {
        Names names = archive.Api().UnZipEntryNames(dir / "out/旅.zip");
        std::sort(names.begin(), names.end());
        return names;
    }

    TArchiveControl archive;
};

// a.jpg (320 x 240) has one card thumbnail; c.JPEG (50 x 40) is smaller than every size.
const Names kSecondAlbum{"$_旅001.jpg",   "$_旅002.jpg", "album.css", "album.js",
                         "albumon-sizes", "旅001.jpg",   "旅002.htm", "旅002.jpg"};
const Names kSecondSizes{"旅001.160.jpg"};

TEST_F(AlbumUpkeepTest, ResaveRemovesWhatTheEarlierSaveWroteAndNothingElse) {
    SaveFirst();
    WriteFile(Album() + "/mine.txt", "the user's own");
    WriteFile(Album() + "/.mine", "hidden, the user's own");
    WriteFile(Album() + "/旅004.jpg", "the user's picture over an album file");
    state.MakeZip = true;
    SaveOptions packing;
    packing.Archive = &archive;
    SaveSecond(packing);
    Names expected = kSecondAlbum;
    expected.insert(expected.end(), {".mine", "mine.txt", "旅004.jpg"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderNames(Album()), expected);
    EXPECT_EQ(ReadFile(Album() + "/旅004.jpg"), "the user's picture over an album file");
    EXPECT_EQ(FolderNames(Album() + "/albumon-sizes"), kSecondSizes);

    // The archive holds exactly the album: no record, no file of a removed entry, none of the
    // user's.
    Names inZip{"旅.htm"};
    for (const std::string& name : kSecondAlbum)
        inZip.push_back("旅.files/" + name);
    std::replace(inZip.begin(), inZip.end(), std::string("旅.files/albumon-sizes"),
                 "旅.files/albumon-sizes/" + kSecondSizes[0]);
    std::sort(inZip.begin(), inZip.end());
    EXPECT_EQ(ZipNames(), inZip);
    EXPECT_EQ(archive.ZipOptions.CompressOptions, TZipOptions().CompressOptions);
}

TEST_F(AlbumUpkeepTest, APageEditedToTheSameSizeStaysAndAnOlderRecordStillServes) {
    const struct {
        const char* what;
        bool edit, olderRecord, pageStays;
    } cases[]{
        {"edited, same size", true, false, true},
        {"record without times", false, true, false},
    };
    for (const auto& c : cases) {
        SaveFirst();
        const std::string page = Album() + "/旅005.htm";
        std::string edited = ReadFile(page);
        if (c.edit) {
            edited.replace(edited.size() / 2, 4, "mine");
            WriteFile(page, edited);
            const timespec later[2]{{0, UTIME_OMIT}, {::time(nullptr) + 5, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, page.c_str(), later, 0), 0);
        }
        const std::string record = Album() + "/" + test::kSaveRecord;
        if (c.olderRecord)
            WriteFile(record, test::RecordWithoutTimes(ReadFile(record)));
        SaveSecond();
        EXPECT_EQ(FileExists(page), c.pageStays) << c.what;
        if (c.pageStays) {
            EXPECT_EQ(ReadFile(page), edited) << c.what;
        }
        fs::remove_all(dir / "out");
    }
}

TEST_F(AlbumUpkeepTest, WithoutAUsableRecordNothingIsRemoved) {
    const std::vector<std::pair<std::string, std::string>> records{
        {"none", ""},
        {"foreign", "not a record\n"},
        {"a name leading out", std::string("Albumon saved files 1\n") + "5 ../x" + '\0'},
        {"cut short", "Albumon saved files 1\n12 旅003.jpg"},
    };
    for (const auto& [what, bytes] : records) {
        SaveFirst();
        const Names first = FolderNames(Album());
        const std::string record = Album() + "/" + test::kSaveRecord;
        ASSERT_TRUE(FileExists(record));
        if (bytes.empty())
            ::unlink(record.c_str());
        else
            WriteFile(record, bytes);
        // Without a record every file in the way is the user's: replaced only when he says so.
        std::vector<std::string> asked;
        int questions = 0;
        SaveOptions options;
        options.ReplaceOthers = [&](const std::vector<std::string>& files) {
            asked.insert(asked.end(), files.begin(), files.end());
            ++questions;
            return true;
        };
        SaveSecond(options);
        // All in one question, before anything is written: a's and c's pictures and thumbnails,
        // a's screen-size picture, c's page, the index, the two support files.
        EXPECT_EQ(asked.size(), 9u) << what;
        EXPECT_EQ(questions, 1) << what;
        EXPECT_NE(std::find(asked.begin(), asked.end(), Album() + "/albumon-sizes/旅001.160.jpg"),
                  asked.end())
            << what;
        EXPECT_EQ(FolderNames(Album()), first) << what;
        fs::remove_all(dir / "out");
    }
}

TEST_F(AlbumUpkeepTest, AFailedSaveLeavesNothingOnTheRecord) {
    SaveFirst();
    // A save that fails at its third entry, under another thumbnail prefix, with a page.
    state.ThumbPrefix = "x_";
    WriteJpeg(dir / "in/gone.jpg", 30, 20);
    AddFiles(state, {dir / "in/c.JPEG", dir / "in/a.jpg", dir / "in/gone.jpg"}, naming);
    ASSERT_EQ(::unlink((dir / "in/gone.jpg").c_str()), 0);
    EditingState note;
    note.MemoLines = {"下"};
    StoreCurrentEntry(state, 0, note, naming);
    EXPECT_THROW(SaveAlbum(state, view, "旅", nullptr), EFOpenError);
    EXPECT_FALSE(FileExists(Album() + "/x_旅002.jpg"));
    ClearAlbum(state);
    state.ThumbPrefix = "$_";
    SaveSecond();
    EXPECT_EQ(FolderNames(Album()), kSecondAlbum);
}

TEST_F(AlbumUpkeepTest, NamesThatLeadOutAreRefusedBeforeAnythingIsWritten) {
    struct Case {
        std::string head, name, prefix;
    };
    const Case refused[] = {
        {"../x", "", "$_"}, {"a/b", "", "$_"},       {".", "", "$_"},
        {"..", "", "$_"},   {"旅", "../../x", "$_"}, {"旅", "", "../"},
    };
    for (const Case& c : refused) {
        naming.HeadText = c.head;
        Fill(dir / "out");
        state.ThumbPrefix = c.prefix;
        if (!c.name.empty()) {
            state.Entries[0].NameMode = nmSpecified;
            state.Entries[0].OutName = c.name + ".jpg";
        }
        EXPECT_TRUE(OutputNameProblem(state, c.head)) << c.head << " " << c.name;
        EXPECT_THROW(SaveAlbum(state, view, c.head, nullptr), Exception) << c.head << c.name;
        EXPECT_EQ(state.EntryCount, 5);
        EXPECT_TRUE(FolderNames(dir.path()) == (Names{"Def", "Temp", "in", "out"}));
        EXPECT_TRUE(FolderNames(dir / "out").empty()) << c.head << " " << c.name;
    }
    naming.HeadText = "..旅";
    Fill(dir / "out");
    state.ThumbPrefix = "$_";
    state.Entries[0].NameMode = nmSpecified;
    state.Entries[0].OutName = "..jpg";
    EXPECT_FALSE(OutputNameProblem(state, "..旅"));
    SaveAlbum(state, view, "..旅", nullptr);
    EXPECT_TRUE(FileExists(dir / "out/..旅.files/..jpg"));
}

TEST_F(AlbumUpkeepTest, LongestNamesSave) {
    // 246 bytes: the thumbnail's name is 255 bytes long, the longest a file system takes.
    const std::string head(246, 'h');
    naming.HeadText = head;
    Fill(dir / "out");
    // A template asking for screen-size pictures needs room for their longer names.
    try {
        SaveAlbum(state, view, head, nullptr);
        ADD_FAILURE() << "names too long for the screen sizes saved";
    } catch (const Exception& error) {
        EXPECT_NE(std::string(error.what()).find("表示用画像の名前には長すぎます"),
                  std::string::npos);
    }
    EXPECT_FALSE(FileExists(dir / ("out/" + head + ".files/$_" + head + "001.jpg")));
    test::WithoutScreenPlaceholders(state.TemplatePath);
    SaveAlbum(state, view, head, nullptr);
    const std::string album = dir / ("out/" + head + ".files");
    EXPECT_TRUE(FileExists(album + "/$_" + head + "005.jpg"));
    EXPECT_TRUE(FileExists(album + "/" + head + "005.htm"));
    EXPECT_TRUE(FileExists(dir / ("out/" + head + ".htm")));
    EXPECT_EQ(FolderNames(album).size(), 14u);
    // The archive's name leaves no room for the archiver's temporary suffix: it is made, and
    // made again, all the same.
    state.MakeZip = true;
    for (int pass = 0; pass < 2; ++pass) {
        Fill(dir / "out");
        SaveAlbum(state, view, head, nullptr);
        EXPECT_EQ(archive.Api().UnZipEntryNames(dir / ("out/" + head + ".zip")).size(), 15u);
        EXPECT_EQ(FolderNames(dir / "out"), (Names{head + ".files", head + ".htm", head + ".zip"}));
    }
}

TEST_F(AlbumUpkeepTest, ReadOnlyPagesAreNotReplaced) {
    SaveFirst();
    for (const std::string& page : {dir / "out/旅.htm", Album() + "/旅002.htm"}) {
        const std::string before = ReadFile(page);
        ASSERT_EQ(::chmod(page.c_str(), 0444), 0);
        Fill(dir / "out");
        try {
            SaveAlbum(state, view, "旅", nullptr);
            ADD_FAILURE() << page << " replaced";
        } catch (const EInOutError& error) {
            EXPECT_EQ(error.what(), "ファイルへのアクセスが拒否されました (" + page + ")");
        }
        EXPECT_EQ(ReadFile(page), before);
        struct stat st {};
        ASSERT_EQ(::stat(page.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0444u);
        ::chmod(page.c_str(), 0644);
    }
}

}  // namespace
}  // namespace albumon
