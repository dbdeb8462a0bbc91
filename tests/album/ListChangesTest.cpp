// Whether the list changed since it was last saved or opened, and which albums it was read from.
#include "AlbumFixture.h"
#include "InputList.h"
#include "ListChanges.h"
#include "TextFile.h"

namespace albumon {
namespace {

class ListChangesTest : public test::AlbumTest {
  protected:
    ListChangesTest() {
        test::WriteFile(dir / "in/a.jpg", "a");
        test::WriteFile(dir / "in/b.jpg", "b");
        AddFiles(state, {dir / "in/a.jpg", dir / "in/b.jpg"}, naming);
        MarkListSaved(state);
    }
};

// Every kind of change the user can make counts, and only as long as it lasts.
TEST_F(ListChangesTest, EveryEditCountsUntilItIsUndone) {
    struct Case {
        const char* name;
        void (*change)(AlbumState&, const std::string& dir);
        void (*undo)(AlbumState&);
    };
    const Case cases[] = {
        {"moved",
         [](AlbumState& s, const std::string&) {
             ReorderEntries(s, {1, 0});
         },
         [](AlbumState& s) {
             ReorderEntries(s, {1, 0});
         }},
        {"turned", [](AlbumState& s, const std::string&) { s.Entries[1].Rotation = 3; },
         [](AlbumState& s) { s.Entries[1].Rotation = 0; }},
        {"renamed",
         [](AlbumState& s, const std::string&) {
             s.Entries[0].NameMode = nmSpecified;
             s.Entries[0].OutName = "cover.jpg";
         },
         [](AlbumState& s) { s.Entries[0].NameMode = nmAuto; }},
        {"note typed",
         [](AlbumState& s, const std::string&) {
             s.Entries[0].NotePos = npBelow;
             WriteTextLines(NoteFilePath(s, s.Entries[0]), {"夕方"});
         },
         [](AlbumState& s) { s.Entries[0].NotePos = npNone; }},
        {"deleted", [](AlbumState& s, const std::string&) { DeleteEntry(s, 1); }, nullptr},
        {"added",
         [](AlbumState& s, const std::string& d) { AddFiles(s, {d + "/in/a.jpg"}, NamingBase{}); },
         nullptr},
        {"commentary", [](AlbumState& s, const std::string&) { InsertCommentary(s, 0); }, nullptr},
    };
    for (const Case& c : cases) {
        const AlbumState before = state;
        EXPECT_FALSE(HasUnsavedChanges(state)) << c.name;
        c.change(state, dir.path());
        EXPECT_TRUE(HasUnsavedChanges(state)) << c.name;
        if (c.undo != nullptr) {
            c.undo(state);
            EXPECT_FALSE(HasUnsavedChanges(state)) << c.name;
        }
        state = before;
    }
    // A note edited after the list was saved is a change too.
    state.Entries[1].NotePos = npAbove;
    WriteTextLines(NoteFilePath(state, state.Entries[1]), {"一行目"});
    MarkListSaved(state);
    WriteTextLines(NoteFilePath(state, state.Entries[1]), {"二行目"});
    EXPECT_TRUE(HasUnsavedChanges(state));
    // A cleared list, the one a save leaves, has nothing to lose.
    ClearAlbum(state);
    EXPECT_FALSE(HasUnsavedChanges(state));
}

TEST_F(ListChangesTest, AlbumsTheEntriesWereReadFrom) {
    test::WriteFile(dir / "out/旅行.files/p1.jpg", "1");
    test::WriteFile(dir / "out/空.files/readme.txt", "no pictures");
    EXPECT_FALSE(EntriesReadFrom(state, dir / "out/旅行.files"));
    AddFolder(state, dir / "out/空.files");
    AddFolder(state, dir / "out/旅行.files/");
    EXPECT_TRUE(EntriesReadFrom(state, dir / "out/旅行.files"));
    EXPECT_TRUE(EntriesReadFrom(state, dir / "in/../out/旅行.files"));
    EXPECT_FALSE(EntriesReadFrom(state, dir / "out/空.files"));
    EXPECT_FALSE(EntriesReadFrom(state, dir / "out/京都.files"));
    // Once the entries read from it are deleted, the list holds nothing of that album.
    ASSERT_EQ(state.Entries[2].SourcePath, dir / "out/旅行.files/p1.jpg");
    DeleteEntry(state, 2);
    EXPECT_FALSE(EntriesReadFrom(state, dir / "out/旅行.files"));
}

}  // namespace
}  // namespace albumon
