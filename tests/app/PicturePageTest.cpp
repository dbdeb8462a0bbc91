// The picture page through the window: notes kept across rows, note positions, turns, stepping
// and the specified name.
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "PictureView.h"
#include "TextFile.h"
#include "WindowFixture.h"

namespace albumon::test {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

class PicturePageTest : public WindowTest {
  protected:
    void OpenWithThree() {
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            WriteJpeg(data / name, 64, 48);
        Open();
        Drop({Q(data / "a.jpg"), Q(data / "b.jpg"), Q(data / "c.jpg")});
        form->PageControl1->setCurrentWidget(form->TabSheet2);
    }
};

TEST_F(PicturePageTest, NoteSurvivesMovingAwayAndBack) {
    OpenWithThree();
    ClickRow(0);
    TypeMemo("Hello");
    ClickRow(1);
    EXPECT_TRUE(form->Memo->toPlainText().isEmpty());
    EXPECT_EQ(OutputRows()[0], "下:無題001.jpg");
    ClickRow(0);
    EXPECT_EQ(form->Memo->toPlainText(), "Hello");
    Click(form->RadioButton1);
    EXPECT_EQ(OutputRows()[0], "上:無題001.jpg");
    ClickRow(2);
    ClickRow(0);
    EXPECT_TRUE(form->RadioButton1->isChecked());
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(PicturePageTest, DropKeepsWhatWasTyped) {
    OpenWithThree();
    ClickRow(1);
    TypeMemo("typed, not stored yet");
    WriteJpeg(data / "d.jpg", 64, 48);
    Drop({Q(data / "d.jpg")});
    EXPECT_EQ(form->Album().Entries[1].NotePos, npBelow);
    EXPECT_EQ(OutputRows()[1], "下:無題002.jpg");
    ClickRow(1);
    EXPECT_EQ(form->Memo->toPlainText(), "typed, not stored yet");
}

TEST_F(PicturePageTest, EmptyMemoNeverChangesTheNotePosition) {
    OpenWithThree();
    ClickRow(1);
    Click(form->RadioButton1);
    EXPECT_EQ(form->Album().Entries[1].NotePos, npNone);
    ClickRow(2);
    EXPECT_EQ(OutputRows()[1], "無:無題002.jpg");
}

TEST_F(PicturePageTest, TypingWithNoRowSelectedIsRefused) {
    OpenWithThree();
    Click(form->ClearBitBtn);
    TypeMemo("x");
    ASSERT_FALSE(boxes.seen.empty());
    EXPECT_EQ(boxes.seen[0].title, "エラー");
    EXPECT_EQ(boxes.seen[0].text, "入力を選択してください");
    EXPECT_TRUE(form->Memo->toPlainText().isEmpty());
}

TEST_F(PicturePageTest, FourRightTurnsComeBack) {
    WriteJpeg(data / "wide.jpg", 80, 40);
    Open();
    Drop({Q(data / "wide.jpg")});
    ClickRow(0);
    for (int i = 0; i < 4; ++i) {
        Click(form->RotRBitBtn);
        EXPECT_EQ(form->Album().Entries[0].Rotation, (i + 1) % 4);
    }
    Click(form->RotLBitBtn);
    EXPECT_EQ(form->Album().Entries[0].Rotation, 3);
}

TEST_F(PicturePageTest, ForwardOnTheLastRowStoresNothing) {
    OpenWithThree();
    ClickRow(2);
    TypeMemo("unsaved");
    Click(form->FwdBitBtn);
    EXPECT_EQ(form->Album().Entries[2].NotePos, npNone);
    EXPECT_EQ(form->ListBoxIn->currentRow(), 2);
    Click(form->BackBitBtn);
    EXPECT_EQ(form->Album().Entries[2].NotePos, npBelow);
    EXPECT_EQ(form->ListBoxIn->currentRow(), 1);
}

TEST_F(PicturePageTest, DeletedRowsNoteNeverShowsOnItsSuccessor) {
    OpenWithThree();
    ClickRow(0);
    TypeMemo("first note");
    Click(form->BitBtnDelete);
    EXPECT_EQ(form->ListBoxIn->currentRow(), 0);
    EXPECT_TRUE(form->Memo->toPlainText().isEmpty());
    EXPECT_EQ(OutputRows(), (QStringList{"無:無題001.jpg", "無:無題002.jpg"}));
}

TEST_F(PicturePageTest, SpecifiedNameRoundTrip) {
    OpenWithThree();
    ClickRow(1);
    Click(form->RadioButton4);
    EXPECT_TRUE(form->EditName->isEnabled());
    form->EditName->setText("朝の海.png");
    ClickRow(0);
    EXPECT_EQ(OutputRows(), (QStringList{"無:無題001.jpg", "無:朝の海.jpg", "無:無題002.jpg"}));
    ClickRow(1);
    EXPECT_TRUE(form->RadioButton4->isChecked());
    EXPECT_EQ(form->EditName->text(), "朝の海");
    ClickRow(2);
    EXPECT_EQ(OutputRows()[1], "無:朝の海.jpg");
    EXPECT_FALSE(form->EditName->isEnabled());
}

TEST_F(PicturePageTest, PageChangeStoresTheNote) {
    OpenWithThree();
    ClickRow(1);
    TypeMemo("line 1\nline 2");
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    EXPECT_EQ(OutputRows()[1], "下:無題002.jpg");
    const EntryRecord& entry = form->Album().Entries[1];
    EXPECT_EQ(ReadTextLines(NoteFilePath(form->Album(), entry)),
              (std::vector<std::string>{"line 1", "line 2"}));
}

}  // namespace
}  // namespace albumon::test
