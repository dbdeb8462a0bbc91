// The save through the window: what lands in the output folder, the clearing afterwards, the
// archive, and a failing source.
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

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
    EXPECT_EQ(
        FolderNames(data / "out/無題.files"),
        (std::vector<std::string>{"$_無題001.jpg", "$_無題002.jpg", "album.css", "album.js",
                                  "albumon-sizes", "無題001.jpg", "無題002.htm", "無題002.jpg"}));
    EXPECT_EQ(ReadFile(data / "out/無題.files/無題001.jpg"), ReadFile(data / "in/p1.jpg"));
    std::string index = ReadFile(data / "out/無題.htm");
    EXPECT_NE(index.find("Fname[1]=\"無題002\";\r\nDocType[1]=1;"), std::string::npos);
    EXPECT_NE(ReadFile(data / "out/無題.files/無題002.htm").find("夕方の<b>海</b>\r\n"),
              std::string::npos);
    EXPECT_EQ(form->ListBoxIn->count(), 0);
    EXPECT_EQ(form->ListBoxOut->count(), 0);
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    EXPECT_EQ(form->Album().EntryCount, 0);

    // A second save with nothing added asks first, then writes an index with no entries.
    boxes.sayYes = true;
    Click(form->SaveBitBtn);
    ASSERT_EQ(boxes.seen.size(), 1u);
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

// An empty list never replaces an album's index page without asking; a save with entries, or
// with no index page to replace, asks nothing. Either way the progress bar ends as an ordinary
// empty bar, never the busy bar.
TEST_F(SaveWindowTest, EmptySaveAsksBeforeReplacingAnAlbum) {
    struct Case {
        const char* name;
        bool existing;
        bool entries;
        bool yes;
        bool asked;
        bool replaced;
    };
    const Case cases[] = {{"answered no", true, false, false, true, false},
                          {"answered yes", true, false, true, true, true},
                          {"no album yet", false, false, false, false, true},
                          {"entries", true, true, false, false, true}};
    const std::string index = data / "out/無題.htm";
    for (const Case& c : cases) {
        OpenWithOutput();
        if (!c.entries)
            Click(form->ClearBitBtn);
        if (c.existing)
            WriteFile(index, "earlier album");
        else
            ::unlink(index.c_str());
        boxes.sayYes = c.yes;
        Click(form->SaveBitBtn);
        EXPECT_EQ(boxes.seen.size(), c.asked ? 1u : 0u) << c.name;
        if (c.asked && boxes.seen.size() == 1) {
            EXPECT_EQ(boxes.seen[0].title, "確認") << c.name;
            EXPECT_TRUE(boxes.seen[0].text.contains(Q(index))) << c.name;
            EXPECT_EQ(boxes.seen[0].buttons.size(), 2) << c.name;
            EXPECT_TRUE(boxes.seen[0].defaultButton.startsWith("いいえ"))
                << boxes.seen[0].defaultButton.toStdString();
        }
        EXPECT_EQ(FileExists(index) && ReadFile(index) != "earlier album", c.replaced) << c.name;
        EXPECT_LT(form->ProgressBar1->minimum(), form->ProgressBar1->maximum()) << c.name;
        EXPECT_EQ(form->ProgressBar1->value(), 0) << c.name;
        boxes.seen.clear();
        Close();
    }
}

// Between entries the window paints and takes its timers and window-manager requests; a close
// asked for meanwhile waits until the album is complete.
TEST_F(SaveWindowTest, LongSaveKeepsPaintingAndClosesOnlyWhenDone) {
    OpenWithOutput();
    for (const std::string name : {"in/p3.jpg", "in/p4.jpg"}) {
        WriteJpeg(data / name, 320, 240);
        Drop({Q(data / name)});
    }
    ASSERT_EQ(form->ListBoxIn->count(), 4);
    WriteFile(Program("Temp/Note99.txt"), "work file");
    struct PaintCounter : QObject {
        int during = 0;
        const TForm1* form = nullptr;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint && form->ListBoxIn->count() > 0)
                ++during;
            return false;
        }
    } paints;
    paints.form = form.get();
    QApplication::processEvents();  // what was to be painted before the save is painted now
    form->ProgressBar1->installEventFilter(&paints);
    int ticksDuringSave = 0;
    bool visibleAfterClose = false;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (form->SaveBitBtn->isEnabled() || form->ListBoxIn->count() == 0)
            return;
        if (++ticksDuringSave == 1) {
            form->close();
            visibleAfterClose = form->isVisible();
        }
    });
    ticker.start();
    Click(form->SaveBitBtn);
    ticker.stop();
    EXPECT_GE(ticksDuringSave, 1);
    EXPECT_GE(paints.during, 1);
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_FALSE(form->isVisible());
    std::string written = ReadFile(data / "out/無題.htm");
    EXPECT_NE(written.find("Fname[3]"), std::string::npos);
    EXPECT_FALSE(FileExists(Program("Temp/Note99.txt")));
    EXPECT_TRUE(boxes.seen.empty());
    form->ProgressBar1->removeEventFilter(&paints);
}

}  // namespace
}  // namespace albumon::test
