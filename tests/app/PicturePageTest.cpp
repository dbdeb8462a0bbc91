// The picture page through the window: notes kept across rows, note positions, turns, stepping
// and the specified name.
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <functional>

#include "FileSystem.h"
#include "PhoneFormatFixtures.h"
#include "PictureBox.h"
#include "PictureFixtures.h"
#include "TextFile.h"
#include "UpDownSpinBox.h"
#include "WindowFixture.h"
#include "renditions/PictureView.h"

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

TEST_F(PicturePageTest, HeicPreviewsUpright) {
    // Stored turned with irot, and an EXIF orientation that must not be applied on top.
    WriteFile(data / "IMG_1.HEIC", HeicFile(QuadrantRaster(120, 80), {6, 8}));
    Open();
    Drop({Q(data / "IMG_1.HEIC")});
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    ClickRow(0);
    const QImage shown = form->Image1->grab().toImage();
    ASSERT_EQ(shown.width(), 240);
    ASSERT_EQ(shown.height(), 160);
    const QColor topLeft = shown.pixelColor(60, 40), bottomLeft = shown.pixelColor(60, 120);
    EXPECT_GT(topLeft.red(), 180);  // red above blue: upright
    EXPECT_LT(topLeft.blue(), 80);
    EXPECT_GT(bottomLeft.blue(), 180);
    EXPECT_EQ(OutputRows(), (QStringList{"無:無題001.jpg"}));
    EXPECT_TRUE(form->Image1->toolTip().isEmpty());
    // A truncated one shows the "no preview" picture with the save's warning.
    const std::string heic = ReadFile(data / "IMG_1.HEIC");
    WriteFile(data / "IMG_2.heic", heic.substr(0, heic.size() / 2));
    Drop({Q(data / "IMG_2.heic")});
    ClickRow(1);
    EXPECT_EQ(form->Image1->toolTip().toStdString(),
              data / "IMG_2.heic" +
                  ": 画像を読み取れないため、サムネイルと写真を「プレビューなし」にしました");
    EXPECT_EQ(form->Image1->grab().toImage().pixelColor(60, 20), QColor(224, 224, 224));
    EXPECT_TRUE(boxes.seen.empty());
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

// A store that fails (the note file cannot be written) ends the step: the selection stays with
// the shown entry, and its note is later stored into that entry, not into a neighbour.
TEST_F(PicturePageTest, FailedStoreKeepsTheSelectionWithTheShownEntry) {
    const std::vector<std::pair<const char*, std::function<void()>>> steps{
        {"back", [this] { Click(form->BackBitBtn); }},
        {"forward", [this] { Click(form->FwdBitBtn); }},
        {"row click", [this] { ClickRow(2); }},
        {"sort", [this] { Click(form->BitBtnSort); }}};
    for (const auto& [name, step] : steps) {
        OpenWithThree();  // b.jpg has note number 1
        ForceDirectories(Program("Temp/Note1.txt"));
        ClickRow(1);
        TypeMemo("for b");
        step();
        EXPECT_EQ(boxes.seen.size(), 1u) << name;
        EXPECT_EQ(form->ListBoxIn->currentRow(), 1) << name;
        EXPECT_EQ(form->Album().CurrentIndex, 1) << name;
        EXPECT_EQ(form->Memo->toPlainText(), "for b") << name;
        std::filesystem::remove(Program("Temp/Note1.txt"));
        ClickRow(0);
        EXPECT_EQ(OutputRows(), (QStringList{"無:無題001.jpg", "下:無題002.jpg", "無:無題003.jpg"}))
            << name;
        ClickRow(1);
        EXPECT_EQ(form->Memo->toPlainText(), "for b") << name;
        boxes.seen.clear();
        Close();
    }
}

TEST_F(PicturePageTest, MemoMenuClearOnAnEmptyMemoWithoutARowIsNoChange) {
    OpenWithThree();
    Click(form->ClearBitBtn);
    QAction* clear = form->PopupMenu1->findChild<QAction*>("SClear");
    ASSERT_NE(clear, nullptr);
    form->PopupMenu1->popup(form->Memo->mapToGlobal(QPoint(10, 10)));
    QTest::mouseClick(form->PopupMenu1, Qt::LeftButton, Qt::NoModifier,
                      form->PopupMenu1->actionGeometry(clear).center());
    EXPECT_TRUE(form->Memo->toPlainText().isEmpty());
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(PicturePageTest, LoneLineFeedOfAnImportedNoteSurvivesUntilEdited) {
    const std::string note = "first\nsame line\r\nsecond\r\n";
    WriteJpeg(data / "a.jpg", 64, 48);
    WriteJpeg(data / "b.jpg", 64, 48);
    WriteFile(data / "a.htm",
              "<!-- ALBUMON POSTNOTE BEGIN -->\r\n" + note + "<!-- ALBUMON POSTNOTE END -->\r\n");
    Open();
    Drop({Q(data / "a.jpg"), Q(data / "b.jpg")});  // the sort after the drop stores row 0
    const std::string noteFile = NoteFilePath(form->Album(), form->Album().Entries[0]);
    EXPECT_EQ(ReadFile(noteFile), note);
    ClickRow(1);
    ClickRow(0);
    EXPECT_EQ(ReadFile(noteFile), note);
    QTest::keyClick(form->Memo, Qt::Key_End, Qt::ControlModifier);
    TypeMemo("!");
    ClickRow(1);
    EXPECT_EQ(ReadFile(noteFile), "first\r\nsame line\r\nsecond!\r\n");
}

TEST_F(PicturePageTest, OnlyTheInputListTakesDroppedFiles) {
    OpenWithThree();
    ClickRow(0);
    WriteJpeg(data / "d.jpg", 64, 48);
    const QStringList files{Q(data / "d.jpg")};
    const std::vector<std::pair<const char*, QWidget*>> targets{
        {"memo", form->Memo->viewport()},
        {"specified name", form->EditName},
        {"head text", form->EditHedFix},
        {"thumbnail prefix", form->ThumbTopEdit},
        {"start number", form->UpDown1->findChild<QLineEdit*>()}};
    for (const auto& [name, target] : targets) {
        ASSERT_NE(target, nullptr) << name;
        form->EditName->setEnabled(true);
        EXPECT_FALSE(DropFilesOn(target, files)) << name;
    }
    EXPECT_TRUE(form->Memo->toPlainText().isEmpty());
    EXPECT_EQ(form->EditHedFix->text(), "無題");
    EXPECT_EQ(form->ThumbTopEdit->text(), "$_");
    EXPECT_EQ(form->UpDown1->value(), 1);
    EXPECT_EQ(form->ListBoxIn->count(), 3);
    EXPECT_TRUE(DropFilesOn(form->ListBoxIn->viewport(), files));
    EXPECT_EQ(form->ListBoxIn->count(), 4);
    EXPECT_TRUE(boxes.seen.empty());
}

}  // namespace
}  // namespace albumon::test
