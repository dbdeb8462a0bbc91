// The input list through the window: drops, folder selection, moves, delete, insert, the limit.
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <QTest>
#include <functional>

#include "FTVEX_D3.h"
#include "FileSystem.h"
#include "Paths.h"
#include "WindowFixture.h"

namespace albumon::test {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

class InputListWindowTest : public WindowTest {
  protected:
    void MakeInputs() {
        for (const char* name : {"A.JPG", "b.jpeg", "$_A.JPG", "c.jpg"}) {
            WriteJpeg(data / name, 40, 30);
        }
        WriteFile(data / "x.gif", "gif");
        ForceDirectories(data / "folder.jpg");
    }
};

TEST_F(InputListWindowTest, DropAddsAcceptedFilesSorted) {
    MakeInputs();
    Open();
    Drop({Q(data / "b.jpeg"), Q(data / "A.JPG"), Q(data / "x.gif"), Q(data / "folder.jpg"),
          Q(data / "$_A.JPG")});
    EXPECT_EQ(InputRows(), (QStringList{"A.JPG", "b.jpeg"}));
    EXPECT_EQ(OutputRows(), (QStringList{"無:無題001.jpg", "無:無題002.jpg"}));
    EXPECT_EQ(form->ListBoxIn->currentRow(), 0);
    EXPECT_EQ(form->Album().CurrentIndex, 0);
    Drop({Q(data / "A.JPG")});
    EXPECT_EQ(InputRows(), (QStringList{"A.JPG", "A.JPG", "b.jpeg"}));
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(InputListWindowTest, FolderSelectedTwiceAddsOnce) {
    MakeInputs();
    WriteFile(Program("albumon.INI"), "[File]\r\nIn=" + data.path() + "\r\n");
    Open();
    Click(form->BitBtnOpen);
    EXPECT_EQ(InputRows(), (QStringList{"A.JPG", "b.jpeg", "c.jpg"}));
    Click(form->BitBtnOpen);
    EXPECT_EQ(form->ListBoxIn->count(), 3);
}

TEST_F(InputListWindowTest, MovesStopAtTheEnds) {
    MakeInputs();
    Open();
    Drop({Q(data / "A.JPG"), Q(data / "b.jpeg"), Q(data / "c.jpg")});
    ClickRow(0);
    Click(form->BitBtnUp);
    ClickRow(2);
    Click(form->BitBtnDown);
    ASSERT_EQ(boxes.seen.size(), 2u);
    EXPECT_EQ(boxes.seen[0].title, "エラー");
    EXPECT_EQ(boxes.seen[0].text, "最上位は上に移動できません");
    EXPECT_EQ(boxes.seen[1].text, "最下位は下に移動できません");
    EXPECT_EQ(InputRows(), (QStringList{"A.JPG", "b.jpeg", "c.jpg"}));
    Click(form->BitBtnUp);
    EXPECT_EQ(InputRows(), (QStringList{"A.JPG", "c.jpg", "b.jpeg"}));
    EXPECT_EQ(form->ListBoxIn->currentRow(), 1);
    EXPECT_EQ(form->Album().CurrentIndex, 1);
}

TEST_F(InputListWindowTest, DeleteLastRowLeavesNoSelection) {
    MakeInputs();
    Open();
    Drop({Q(data / "A.JPG"), Q(data / "b.jpeg")});
    ClickRow(1);
    Click(form->BitBtnDelete);
    EXPECT_EQ(InputRows(), QStringList{"A.JPG"});
    EXPECT_TRUE(form->ListBoxIn->selectedItems().isEmpty());
    EXPECT_EQ(form->Album().CurrentIndex, -1);
    EXPECT_TRUE(form->Memo->toPlainText().isEmpty());
}

TEST_F(InputListWindowTest, InsertAfterTheThirdRow) {
    MakeInputs();
    Open();
    Drop({Q(data / "A.JPG"), Q(data / "b.jpeg"), Q(data / "c.jpg"), Q(data / "c.jpg")});
    ClickRow(2);
    Click(form->InsBitBtn);
    EXPECT_EQ(InputRows(), (QStringList{"A.JPG", "b.jpeg", "c.jpg", "DefNote.jpg", "c.jpg"}));
    EXPECT_EQ(form->ListBoxIn->currentRow(), 3);
    Click(form->ClearBitBtn);
    EXPECT_EQ(form->ListBoxIn->count(), 0);
    EXPECT_EQ(form->ListBoxOut->count(), 0);
    EXPECT_EQ(form->Album().NoteCounter, 0);
}

TEST_F(InputListWindowTest, FilesBeyondTheLimitAreRefusedWithAMessage) {
    MakeInputs();
    Open();
    QStringList many;
    for (int i = 0; i < 300; ++i)
        many << Q(data / "c.jpg");
    Drop(many);
    EXPECT_EQ(form->ListBoxIn->count(), 256);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "エラー");
    EXPECT_TRUE(boxes.seen[0].text.contains("44")) << boxes.seen[0].text.toStdString();
}

TEST_F(InputListWindowTest, NoGestureTakesTheSelectionAndTheTypedNote) {
    MakeInputs();
    const std::vector<std::pair<const char*, std::function<void(QListWidget*)>>> gestures{
        {"click below the rows",
         [](QListWidget* list) {
             QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                               QPoint(20, list->viewport()->height() - 10));
         }},
        {"Ctrl+click on the selected row",
         [](QListWidget* list) {
             QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                               list->visualItemRect(list->item(1)).center());
         }},
        {"Ctrl+Space",
         [](QListWidget* list) { QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier); }}};
    for (const auto& [name, gesture] : gestures) {
        Open();
        Drop({Q(data / "A.JPG"), Q(data / "b.jpeg"), Q(data / "c.jpg")});
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        ClickRow(1);
        TypeMemo("typed for b");
        gesture(form->ListBoxIn);
        EXPECT_EQ(form->ListBoxIn->selectedItems().size(), 1) << name;
        EXPECT_EQ(form->ListBoxIn->currentRow(), 1) << name;
        EXPECT_EQ(form->Album().CurrentIndex, 1) << name;
        ClickRow(0);
        ClickRow(1);
        EXPECT_EQ(form->Memo->toPlainText(), "typed for b") << name;
        Close();
    }
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(InputListWindowTest, CaseTwinsOfOneFolderAreTwoPictures) {
    WriteJpeg(data / "twins/A.jpg", 40, 30);
    WriteJpeg(data / "twins/a.jpg", 30, 40);
    WriteFile(Program("albumon.INI"), "[File]\r\nIn=" + (data / "twins") + "\r\n");
    Open();
    Click(form->BitBtnOpen);
    QStringList rows = InputRows();
    rows.sort();
    EXPECT_EQ(rows, (QStringList{"A.jpg", "a.jpg"}));
    Click(form->BitBtnOpen);
    EXPECT_EQ(form->ListBoxIn->count(), 2);
}

TEST_F(InputListWindowTest, ColonIsAnOrdinaryCharacterOfAFileName) {
    WriteJpeg(data / "12:30.jpg", 40, 30);
    WriteFile(Program("albumon.INI"), "[File]\r\nNameDef=1\r\n");
    Open();
    Drop({Q(data / "12:30.jpg")});
    EXPECT_EQ(InputRows(), QStringList{"12:30.jpg"});
    EXPECT_EQ(OutputRows(), QStringList{"無:12:30.jpg"});
}

// After every operation, also a failed one, the lists show exactly the live entries and the
// selected row is the entry the picture page shows.
TEST_F(InputListWindowTest, ListsAndShownEntryAgreeAfterEveryOperation) {
    MakeInputs();
    const std::string marked =
        "<!-- ALBUMON POSTNOTE BEGIN -->\r\nnote\r\n<!-- ALBUMON POSTNOTE END -->\r\n";
    WriteJpeg(data / "failing/x.jpg", 40, 30);
    WriteFile(data / "failing/x.htm", marked);
    WriteJpeg(data / "more/y.jpg", 40, 30);
    WriteJpeg(data / "dropped/z.jpg", 40, 30);
    WriteFile(data / "dropped/z.htm", marked);
    for (int k = 0; k < 64; ++k)  // note files that cannot be written: every note import fails
        ForceDirectories(Program("Temp/Note" + std::to_string(k) + ".txt"));
    Open();
    auto openFolder = [this](const std::string& folder) {
        form->FolderTreeView->SelectFolder(folder);
        Click(form->BitBtnOpen);
    };
    const std::vector<std::pair<const char*, std::function<void()>>> operations{
        {"drop",
         [&] {
             Drop({Q(data / "c.jpg"), Q(data / "A.JPG"), Q(data / "b.jpeg")});
         }},
        {"row click", [&] { ClickRow(2); }},
        {"up", [&] { Click(form->BitBtnUp); }},
        {"down", [&] { Click(form->BitBtnDown); }},
        {"sort", [&] { Click(form->BitBtnSort); }},
        {"back", [&] { Click(form->BackBitBtn); }},
        {"forward", [&] { Click(form->FwdBitBtn); }},
        {"insert", [&] { Click(form->InsBitBtn); }},
        {"delete", [&] { Click(form->BitBtnDelete); }},
        {"failed folder selection", [&] { openFolder(data / "failing"); }},
        {"folder selection", [&] { openFolder(data / "more"); }},
        {"failed drop", [&] { Drop({Q(data / "dropped/z.jpg")}); }},
        {"delete of the last row",
         [&] {
             ClickRow(form->ListBoxIn->count() - 1);
             Click(form->BitBtnDelete);
         }},
        {"clear", [&] { Click(form->ClearBitBtn); }},
        {"failed drop on an empty list", [&] { Drop({Q(data / "dropped/z.jpg")}); }},
    };
    for (const auto& [name, operation] : operations) {
        operation();
        const AlbumState& album = form->Album();
        ASSERT_EQ(form->ListBoxIn->count(), album.EntryCount) << name;
        EXPECT_EQ(form->ListBoxOut->count(), album.EntryCount) << name;
        for (int k = 0; k < album.EntryCount; ++k) {
            EXPECT_EQ(form->ListBoxIn->item(k)->text().toStdString(),
                      FileNamePart(album.Entries[k].SourcePath))
                << name;
        }
        const auto selected = form->ListBoxIn->selectedItems();
        const int row = selected.isEmpty() ? -1 : form->ListBoxIn->row(selected.first());
        EXPECT_EQ(row, album.CurrentIndex) << name;
    }
    ASSERT_EQ(boxes.seen.size(), 3u);
    for (const auto& box : boxes.seen)
        EXPECT_EQ(box.title, "Albumon");
}

}  // namespace
}  // namespace albumon::test
