// Additions, sorting, moves, deletion and commentary entries on the entry list.
#include "AlbumFixture.h"

#include <map>
#include <optional>
#include <set>
#include "InputList.h"
#include "OutputNames.h"

namespace albumon {
namespace {

using Lines = std::vector<std::string>;

class InputListTest : public test::AlbumTest {
  protected:
    Lines Sources() const {
        Lines names;
        for (int k = 0; k < state.EntryCount; ++k)
            names.push_back(state.Entries[k].SourcePath);
        return names;
    }
};

TEST_F(InputListTest, DropAcceptsOnlyPictureFilesWithoutThePrefix) {
    test::WriteFile(dir / "in/A.JPG", "a");
    test::WriteFile(dir / "in/b.jpeg", "b");
    test::WriteFile(dir / "in/x.gif", "x");
    test::WriteFile(dir / "in/$_A.JPG", "t");
    test::WriteFile(dir / "in/$_p.png", "t");
    test::WriteFile(dir / "in/dir.jpg/f", "");
    const Lines phones = {dir / "in/i.HEIC", dir / "in/h.heif", dir / "in/c.Hif", dir / "in/s.png",
                          dir / "in/w.WEBP"};
    for (const std::string& path : phones)
        test::WriteFile(path, "p");
    Lines dropped = {dir / "in/b.jpeg",  dir / "in/A.JPG",   dir / "in/x.gif",
                     dir / "in/dir.jpg", dir / "in/$_A.JPG", dir / "in/$_p.png"};
    dropped.insert(dropped.end(), phones.begin(), phones.end());
    auto result = AddFiles(state, dropped, naming);
    EXPECT_EQ(result.Accepted, 7);
    Lines accepted = {dir / "in/b.jpeg", dir / "in/A.JPG"};
    accepted.insert(accepted.end(), phones.begin(), phones.end());
    EXPECT_EQ(Sources(), accepted);
    ClearAlbum(state);
    EXPECT_EQ(AddFolder(state, dir / "in", FolderOrder::ByName).Accepted, 7);
    SortEntries(state);
    EXPECT_EQ(Sources(),
              (Lines{dir / "in/A.JPG", dir / "in/b.jpeg", dir / "in/c.Hif", dir / "in/h.heif",
                     dir / "in/i.HEIC", dir / "in/s.png", dir / "in/w.WEBP"}));
    // The same files dropped again are listed again.
    EXPECT_EQ(AddFiles(state, {dir / "in/A.JPG"}, naming).Accepted, 1);
    EXPECT_EQ(state.EntryCount, 8);
    state.ThumbPrefix = "  ";
    EXPECT_TRUE(IsAcceptedInput(dir / "in/$_A.JPG", state.ThumbPrefix));
}

TEST_F(InputListTest, FolderAddsOnlyWhatIsNotListed) {
    test::WriteFile(dir / "旅行.files/p1.jpg", "1");
    test::WriteFile(dir / "旅行.files/P2.JPG", "2");
    test::WriteFile(dir / "旅行.files/$_p1.jpg", "t");
    auto first = AddFolder(state, dir / "旅行.files");
    EXPECT_EQ(first.Accepted, 2);
    ASSERT_TRUE(first.HeadText.has_value());
    EXPECT_EQ(*first.HeadText, "旅行");
    EXPECT_EQ(AddFolder(state, dir / "旅行.files").Accepted, 0);
    EXPECT_EQ(state.EntryCount, 2);
    EXPECT_FALSE(HeadTextOfFolder(dir / "plain").has_value());
    EXPECT_EQ(HeadTextOfFolder("/a.files/b"), std::optional<std::string>("b"));
    EXPECT_EQ(HeadTextOfFolder("/x/a.FILES"), std::nullopt);
    // A folder given with its trailing "/" makes plain paths.
    ClearAlbum(state);
    AddFolder(state, dir / "旅行.files/", FolderOrder::ByName);
    EXPECT_EQ(state.Entries[0].SourcePath, dir / "旅行.files/P2.JPG");
}

TEST_F(InputListTest, NoteNumbersStayDistinct) {
    test::WriteFile(dir / "in/a.jpg", "a");
    AddFiles(state, {dir / "in/a.jpg", dir / "in/a.jpg"}, naming);
    InsertCommentary(state, 0);
    AddFiles(state, {dir / "in/a.jpg"}, naming);
    AddFolder(state, dir / "in");  // already listed: nothing
    std::set<int> numbers;
    for (int k = 0; k < state.EntryCount; ++k)
        numbers.insert(state.Entries[k].NoteNo);
    EXPECT_EQ(numbers.size(), 4u);
    EXPECT_EQ(state.Entries[0].NoteNo, 0);
    EXPECT_EQ(state.Entries[1].NoteNo, 2);  // the commentary entry after the first batch
}

TEST_F(InputListTest, TableNeverOverflows) {
    test::WriteFile(dir / "in/a.jpg", "a");
    std::vector<std::string> many(250, dir / "in/a.jpg");
    EXPECT_EQ(AddFiles(state, many, naming).Accepted, 250);
    auto more = AddFiles(state, many, naming);
    EXPECT_EQ(more.Accepted, 6);
    EXPECT_EQ(more.Refused, 244);
    EXPECT_EQ(state.EntryCount, kEntryCapacity);
    EXPECT_EQ(InsertCommentary(state, 3), -1);
    EXPECT_EQ(state.EntryCount, kEntryCapacity);
}

TEST_F(InputListTest, SortComparesWholePathsIgnoringCase) {
    Add("/b/a.jpg");
    Add("/a/z.jpg");
    Add("/A/Y.jpg");
    Add("/a/y.jpg").Rotation = 3;
    Add("/a/y.jpgx");
    SortEntries(state);
    EXPECT_EQ(Sources(), (Lines{"/A/Y.jpg", "/a/y.jpg", "/a/y.jpgx", "/a/z.jpg", "/b/a.jpg"}));
    EXPECT_EQ(state.Entries[1].Rotation, 3);  // whole records move
}

// Photos of two cameras interleave by time; equal times go by path as the name sort compares;
// pictures without a date keep their order at the end.
TEST_F(InputListTest, DateOrderGoesByTimeThenPath) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, std::optional<std::int64_t>>> entries;
        Lines order;
    };
    const std::vector<Case> cases{
        {"two cameras",
         {{"/p/DSC_0001.jpg", 300},
          {"/p/DSC_0002.jpg", 500},
          {"/p/IMG_0001.jpg", 100},
          {"/p/IMG_0002.jpg", 400}},
         {"/p/IMG_0001.jpg", "/p/DSC_0001.jpg", "/p/IMG_0002.jpg", "/p/DSC_0002.jpg"}},
        {"equal times",
         {{"/q/b.jpg", 7}, {"/p/Z.jpg", 7}, {"/p/a.jpg", 7}, {"/a/late.jpg", 8}},
         {"/p/a.jpg", "/p/Z.jpg", "/q/b.jpg", "/a/late.jpg"}},
        {"without dates",
         {{"/p/x.jpg", std::nullopt},
          {"/p/c.jpg", -5},
          {"/p/a.jpg", std::nullopt},
          {"/p/b.jpg", -9}},
         {"/p/b.jpg", "/p/c.jpg", "/p/x.jpg", "/p/a.jpg"}},
        {"no date at all", {{"/p/b.jpg", {}}, {"/p/a.jpg", {}}}, {"/p/b.jpg", "/p/a.jpg"}},
    };
    for (const Case& c : cases) {
        ClearAlbum(state);
        std::map<std::string, std::optional<std::int64_t>> taken;
        for (int k = 0; k < static_cast<int>(c.entries.size()); ++k) {
            Add(c.entries[k].first).Rotation = k;
            taken[c.entries[k].first] = c.entries[k].second;
        }
        ReorderEntries(state,
                       TakenOrder(state, [&](const std::string& path) { return taken.at(path); }));
        EXPECT_EQ(Sources(), c.order) << c.name;
        for (int k = 0; k < state.EntryCount; ++k)  // whole records move
            EXPECT_EQ(c.entries[state.Entries[k].Rotation].first, Sources()[k]) << c.name;
    }
}

TEST_F(InputListTest, DeleteAndInsertMoveWholeRecords) {
    Add("/p/1.jpg");
    Add("/p/2.jpg").Rotation = 2;
    Add("/p/3.jpg");
    int slot = InsertCommentary(state, 2);
    EXPECT_EQ(slot, 3);
    EXPECT_EQ(state.Entries[3].SourcePath, dir / "Def/Def.files/DefNote.jpg");
    EXPECT_EQ(InsertCommentary(state, -1), 0);
    EXPECT_EQ(state.EntryCount, 5);
    DeleteEntry(state, 0);
    DeleteEntry(state, 0);
    EXPECT_EQ(Sources(), (Lines{"/p/2.jpg", "/p/3.jpg", dir / "Def/Def.files/DefNote.jpg"}));
    EXPECT_EQ(state.Entries[0].Rotation, 2);
    ReorderEntries(state, {1, 0});
    EXPECT_EQ(state.Entries[1].Rotation, 2);
}

TEST_F(InputListTest, IsListedIgnoresLetterCase) {
    Add("/p/Photo.JPG");
    EXPECT_TRUE(IsListed(state, "/P/photo.jpg"));
    EXPECT_FALSE(IsListed(state, "/p/photo.jpeg"));
}

}  // namespace
}  // namespace albumon
