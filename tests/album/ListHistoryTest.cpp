// Undo states of the list: every kind of change goes back and forth exactly, notes included.
#include <functional>

#include "AlbumFixture.h"
#include "InputList.h"
#include "ListHistory.h"

namespace albumon {
namespace {

class ListHistoryTest : public test::AlbumTest {
  protected:
    // Three entries a, b, c; a and c hold notes (c's with a CR LF inside and no end of line).
    void Fill() {
        Add("/p/a.jpg").NotePos = npAbove;
        Add("/p/b.jpg");
        Add("/p/c.jpg").NotePos = npBelow;
        state.NoteCounter = 3;
        test::WriteFile(NoteFilePath(state, state.Entries[0]), "first\r\n");
        test::WriteFile(NoteFilePath(state, state.Entries[2]), "x\r\ny");
    }
    std::string Sources() const {
        std::string names;
        for (int k = 0; k < state.EntryCount; ++k)
            names += state.Entries[k].SourcePath.substr(3, 1);
        return names;
    }
};

// Each change is taken back to the state before it and forward to the state after it: order,
// note texts, turns, names, the note counter and the highlight.
TEST_F(ListHistoryTest, EveryChangeGoesBackAndForthExactly) {
    struct Case {
        const char* name;
        std::function<void(AlbumState&)> change;
        const char* after;
    };
    const Case cases[] = {
        {"delete a noted entry", [](AlbumState& s) { DeleteEntry(s, 0); }, "bc"},
        {"clear, then a new entry reuses note 0",
         [](AlbumState& s) {
             ClearAlbum(s);
             CreateEntry(s, 0, "/p/d.jpg", 0);
             s.EntryCount = 1;
             s.Entries[0].NotePos = npBelow;
             test::WriteFile(NoteFilePath(s, s.Entries[0]), "other\r\n");
         },
         "d"},
        {"reorder",
         [](AlbumState& s) {
             ReorderEntries(s, {2, 0, 1});
         },
         "cab"},
        {"turn and rename",
         [](AlbumState& s) {
             s.Entries[1].Rotation = 3;
             s.Entries[1].NameMode = nmSpecified;
             s.Entries[1].OutName = "own.jpg";
         },
         "abc"},
        {"a note typed anew",
         [](AlbumState& s) { test::WriteFile(NoteFilePath(s, s.Entries[0]), "second\r\n"); },
         "abc"},
        {"insert a commentary entry", [](AlbumState& s) { InsertCommentary(s, 1); }, "a/bc"},
    };
    for (const Case& c : cases) {
        ClearAlbum(state);
        Fill();
        const ListSnapshot before = TakeSnapshot(state, {0, 2}, 2);
        c.change(state);
        const ListSnapshot after = TakeSnapshot(state, {0}, 0);
        ASSERT_FALSE(SameList(before, after)) << c.name;
        RestoreSnapshot(state, before);
        EXPECT_EQ(Sources(), "abc") << c.name;
        EXPECT_EQ(state.CurrentIndex, 2) << c.name;
        const ListSnapshot undone = TakeSnapshot(state, before.Selected, before.Current);
        EXPECT_TRUE(SameList(undone, before)) << c.name;
        EXPECT_EQ(*undone.Notes[2], "x\r\ny") << c.name;
        RestoreSnapshot(state, after);
        EXPECT_EQ(Sources().size(), std::string(c.after).size()) << c.name;
        EXPECT_TRUE(SameList(TakeSnapshot(state, {0}, 0), after)) << c.name;
        EXPECT_EQ(state.CurrentIndex, 0) << c.name;
    }
}

// A stored edit is named after what it changed.
TEST_F(ListHistoryTest, AStoredEditIsNamedByWhatChanged) {
    struct Case {
        const char* name;
        std::function<void(AlbumState&)> change;
        std::string step;
    };
    const Case cases[] = {
        {"nothing", [](AlbumState&) {}, ""},
        {"note text",
         [](AlbumState& s) { test::WriteFile(NoteFilePath(s, s.Entries[1]), "new\r\n"); }, "メモ"},
        {"note place", [](AlbumState& s) { s.Entries[0].NotePos = npBelow; }, "メモ位置"},
        {"naming mode", [](AlbumState& s) { s.Entries[2].NameMode = nmKeep; }, "名前"},
    };
    for (const Case& c : cases) {
        ClearAlbum(state);
        Fill();
        const ListSnapshot before = TakeSnapshot(state, {1}, 1);
        c.change(state);
        EXPECT_EQ(EditStepName(before, TakeSnapshot(state, {1}, 1)), c.step) << c.name;
    }
}

}  // namespace
}  // namespace albumon
