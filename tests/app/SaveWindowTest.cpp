// The save through the window: what lands in the output folder, the clearing afterwards, the
// archive, and a failing source.
#include <QCheckBox>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include "FileSystem.h"
#include "TextFile.h"
#include "WindowFixture.h"

namespace albumon::test {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

class SaveWindowTest : public WindowTest {
  protected:
    void OpenWithOutput(const std::string& extra = "") {
        ForceDirectories(data / "out");
        WriteFile(Program("albumon.INI"), "[File]\r\nOut=" + data.path() + "/out/\r\n" + extra);
        WriteJpeg(data / "in/p1.jpg", 320, 240);
        WriteJpeg(data / "in/p2.jpg", 240, 320);
        Open();
        Drop({Q(data / "in/p1.jpg"), Q(data / "in/p2.jpg")});
    }
};

TEST_F(SaveWindowTest, TwoEntriesTheSecondWithANoteBelow) {
    OpenWithOutput();
    ClickRow(1);
    TypeMemo("夕方の<b>海</b>");
    Click(form->SaveBitBtn);
    ASSERT_TRUE(boxes.seen.empty()) << boxes.seen[0].text.toStdString();
    EXPECT_EQ(FolderNames(data / "out/無題.files"),
              (std::vector<std::string>{"$_無題001.jpg", "$_無題002.jpg", "album.css", "album.js",
                                        "無題001.jpg", "無題002.htm", "無題002.jpg"}));
    EXPECT_EQ(ReadFile(data / "out/無題.files/無題001.jpg"), ReadFile(data / "in/p1.jpg"));
    std::string index = ReadFile(data / "out/無題.htm");
    EXPECT_NE(index.find("Fname[1]=\"無題002\";\r\nDocType[1]=1;"), std::string::npos);
    EXPECT_NE(ReadFile(data / "out/無題.files/無題002.htm").find("夕方の<b>海</b>\r\n"),
              std::string::npos);
    EXPECT_EQ(form->ListBoxIn->count(), 0);
    EXPECT_EQ(form->ListBoxOut->count(), 0);
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    EXPECT_EQ(form->Album().EntryCount, 0);

    // A second save with nothing added writes an index with no entries.
    Click(form->SaveBitBtn);
    index = ReadFile(data / "out/無題.htm");
    EXPECT_EQ(index.find("Fname["), std::string::npos);
}

TEST_F(SaveWindowTest, ArchiveHoldsIndexAndAlbumFolder) {
    OpenWithOutput("Zip=1\r\n");
    EXPECT_TRUE(form->CheckBoxComp->isChecked());
    Click(form->SaveBitBtn);
    ASSERT_TRUE(boxes.seen.empty()) << boxes.seen[0].text.toStdString();
    const std::string listing = data / "listing.txt";
    std::string command = "unzip -Z1 '" + (data / "out/無題.zip") + "' > '" + listing + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string names = ReadFile(listing);
    for (const char* name : {"無題.htm\n", "無題.files/無題001.jpg\n", "無題.files/$_無題002.jpg\n",
                             "無題.files/album.css\n"}) {
        EXPECT_NE(names.find(name), std::string::npos) << name << " missing from\n" << names;
    }
}

TEST_F(SaveWindowTest, PicturesWithoutPreviewAreListedInOneBoxAfterTheSave) {
    OpenWithOutput("[Option]\r\nLossless=1\r\nNoGPS=1\r\n");
    EXPECT_TRUE(form->CheckBoxLossless->isChecked());
    EXPECT_TRUE(form->CheckBoxNoGps->isChecked());
    WriteFile(data / "in/bad1.jpg", "not a picture");
    WriteFile(data / "in/bad2.jpg", "neither");
    Drop({Q(data / "in/bad1.jpg"), Q(data / "in/bad2.jpg")});
    form->CheckBoxNoGps->setChecked(false);
    Click(form->SaveBitBtn);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "Albumon");
    const QString text = boxes.seen[0].text;
    EXPECT_TRUE(text.contains(Q(data / "in/bad1.jpg"))) << text.toStdString();
    EXPECT_TRUE(text.contains(Q(data / "in/bad2.jpg"))) << text.toStdString();
    EXPECT_FALSE(text.contains(Q(data / "in/p1.jpg"))) << text.toStdString();
    EXPECT_TRUE(FileExists(data / "out/無題.files/$_無題004.jpg"));
    // The save took the general page's choices as they stood.
    EXPECT_TRUE(form->Album().LosslessTurns);
    EXPECT_FALSE(form->Album().StripLocation);
}

TEST_F(SaveWindowTest, MissingSourceEndsTheSaveAndKeepsTheEntries) {
    OpenWithOutput();
    ::unlink((data / "in/p2.jpg").c_str());
    Click(form->SaveBitBtn);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "Albumon");
    EXPECT_TRUE(boxes.seen[0].text.contains(Q(data / "in/p2.jpg")));
    EXPECT_EQ(form->ListBoxIn->count(), 2);
    EXPECT_TRUE(FileExists(data / "out/無題.files/無題001.jpg"));
    EXPECT_FALSE(FileExists(data / "out/無題.htm"));
}

TEST_F(SaveWindowTest, ArchiveFailureIsReported) {
    OpenWithOutput("Zip=1\r\n");
    ForceDirectories(data / "out/無題.zip");  // a folder where the archive should go
    Click(form->SaveBitBtn);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "エラー");
    EXPECT_TRUE(boxes.seen[0].text.contains("無題.zip"));
    EXPECT_TRUE(FileExists(data / "out/無題.htm"));
}

}  // namespace
}  // namespace albumon::test
