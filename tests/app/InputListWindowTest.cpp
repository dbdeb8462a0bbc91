// The input list through the window: drops, folder selection, moves, delete, insert, the limit.
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>

#include "FileSystem.h"
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
        WriteFile(data / "x.png", "png");
        ForceDirectories(data / "folder.jpg");
    }
};

TEST_F(InputListWindowTest, DropAddsAcceptedFilesSorted) {
    MakeInputs();
    Open();
    Drop({Q(data / "b.jpeg"), Q(data / "A.JPG"), Q(data / "x.png"), Q(data / "folder.jpg"),
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

}  // namespace
}  // namespace albumon::test
