// The album state: storing the editing state, note files, note import and the work folder.
#include <sys/stat.h>

#include "AlbumFixture.h"
#include "Errors.h"
#include "InputList.h"
#include "OutputNames.h"
#include "TextFile.h"

namespace albumon {
namespace {

using Lines = std::vector<std::string>;

class AlbumStateTest : public test::AlbumTest {};

TEST_F(AlbumStateTest, StoreWritesNoteAndModes) {
    Add("/p/a.jpg");
    Add("/p/b.jpg");
    EditingState editing;
    editing.MemoLines = {"Hello", "<b>World</b>"};
    StoreCurrentEntry(state, 1, editing, naming);
    EXPECT_EQ(state.Entries[1].NotePos, npBelow);
    EXPECT_EQ(test::ReadFile(NoteFilePath(state, state.Entries[1])), "Hello\r\n<b>World</b>\r\n");
    EXPECT_EQ(OutputListRows(state), (Lines{"無:無題001.jpg", "下:無題002.jpg"}));

    editing.NoteAbove = true;
    editing.Naming = EditingState::Specified;
    editing.EditName = "my.name.png";
    StoreCurrentEntry(state, 0, editing, naming);
    EXPECT_EQ(OutputListRows(state), (Lines{"上:my.name.jpg", "下:無題001.jpg"}));

    // An empty specified name keeps the previous mode and name; an empty memo keeps the note.
    EditingState empty;
    empty.Naming = EditingState::Specified;
    StoreCurrentEntry(state, 0, empty, naming);
    EXPECT_EQ(state.Entries[0].NameMode, nmSpecified);
    EXPECT_EQ(state.Entries[0].NotePos, npAbove);
    EXPECT_EQ(ReadTextLines(NoteFilePath(state, state.Entries[0])), editing.MemoLines);

    empty.Naming = EditingState::Keep;
    StoreCurrentEntry(state, 0, empty, naming);
    EXPECT_EQ(OutputListRows(state), (Lines{"上:a.jpg", "下:無題001.jpg"}));
    StoreCurrentEntry(state, -1, editing, naming);  // no row: nothing
    EXPECT_EQ(state.Entries[0].NameMode, nmKeep);
}

TEST_F(AlbumStateTest, NoteFileNames) {
    EntryRecord& entry = Add("/p/a.jpg");
    entry.NoteNo = 0;
    EXPECT_EQ(NoteFilePath(state, entry), state.TempPath + "/Note0.txt");
    entry.NoteNo = 12;
    EXPECT_EQ(NoteFilePath(state, entry), state.TempPath + "/Note12.txt");
}

TEST_F(AlbumStateTest, ImportReadsFirstBlockOnly) {
    test::WriteFile(dir / "in/a.htm",
                    "<html>\r\n<p><!-- ALBUMON PRENOTE BEGIN --></p>\r\nline 1\r\n$$$TITLE$$$\n\r\n"
                    "<!-- ALBUMON PRENOTE END -->\r\n<!-- ALBUMON POSTNOTE BEGIN -->\r\nx\r\n");
    test::WriteFile(dir / "in/b.htm", "<!-- ALBUMON POSTNOTE BEGIN -->\rno end\r\nlast");
    test::WriteFile(dir / "in/c.htm", "no markers\r\n");
    Add(dir / "in/a.jpg");
    Add(dir / "in/b.JPG");
    EntryRecord& c = Add(dir / "in/c.jpg");
    c.NotePos = npBelow;
    test::WriteFile(NoteFilePath(state, c), "kept\r\n");
    Add(dir / "in/d.jpg").NotePos = npAbove;
    ImportPageNotes(state, 0);

    EXPECT_EQ(state.Entries[0].NotePos, npAbove);
    EXPECT_EQ(test::ReadFile(NoteFilePath(state, state.Entries[0])), "line 1\r\n$$$TITLE$$$\n\r\n");
    EXPECT_EQ(state.Entries[1].NotePos, npBelow);
    EXPECT_EQ(ReadTextLines(NoteFilePath(state, state.Entries[1])), (Lines{"no end", "last"}));
    EXPECT_EQ(state.Entries[2].NotePos, npBelow);  // no markers: unchanged
    EXPECT_EQ(test::ReadFile(NoteFilePath(state, c)), "kept\r\n");
    EXPECT_EQ(state.Entries[3].NotePos, npNone);  // no page beside it
}

TEST_F(AlbumStateTest, ImportVisitsOnlyTheNewEntries) {
    Add("/nowhere/commentary.jpg").NotePos = npBelow;
    Add(dir / "in/a.jpg");
    ImportPageNotes(state, 1);
    EXPECT_EQ(state.Entries[0].NotePos, npBelow);
}

TEST_F(AlbumStateTest, UnreadablePageEndsImportWithError) {
    test::WriteFile(dir / "in/a.htm/inner", "");  // a folder named like the page
    Add(dir / "in/a.jpg");
    EXPECT_NO_THROW(ImportPageNotes(state, 0));  // a folder is no page
    EXPECT_EQ(state.Entries[0].NotePos, npNone);
    test::WriteFile(dir / "in/b.htm", "<!-- ALBUMON PRENOTE BEGIN -->\r\nx\r\n");
    Add(dir / "in/b.jpg");
    state.TempPath = dir / "gone";
    EXPECT_THROW(ImportPageNotes(state, 1), EInOutError);
}

TEST_F(AlbumStateTest, WorkFolderEmptiedButSubfoldersStay) {
    test::WriteFile(state.TempPath + "/Note1.txt", "x");
    test::WriteFile(state.TempPath + "/keep/inner.txt", "y");
    ::chmod((state.TempPath + "/Note1.txt").c_str(), 0444);
    PrepareWorkFolder(state.TempPath);
    EXPECT_EQ(test::FolderNames(state.TempPath), Lines{"keep"});
    PrepareWorkFolder(dir / "new/Temp");
    EXPECT_TRUE(DirectoryExists(dir / "new/Temp"));
}

}  // namespace
}  // namespace albumon
