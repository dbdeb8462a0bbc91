// The save through the window: what lands in the output folder, the clearing afterwards, the
// archive, and a failing source.
#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "SaveNoticeBar.h"

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

// The progress bar names each step as it moves: the pictures, then the archive.
TEST_F(SaveWindowTest, ArchiveHoldsIndexAndAlbumFolder) {
    OpenWithOutput("Zip=1\r\n");
    EXPECT_TRUE(form->CheckBoxComp->isChecked());
    struct StepRecorder : QObject {
        QStringList steps;
        bool eventFilter(QObject* watched, QEvent* event) override {
            auto* bar = static_cast<QProgressBar*>(watched);
            if (event->type() == QEvent::Paint && bar->isTextVisible() && bar->value() > 0)
                steps << bar->text();
            return false;
        }
    } recorder;
    form->ProgressBar1->installEventFilter(&recorder);
    Click(form->SaveBitBtn);
    form->ProgressBar1->removeEventFilter(&recorder);
    EXPECT_TRUE(recorder.steps.contains("画像 1 / 2")) << recorder.steps.join(',').toStdString();
    EXPECT_TRUE(recorder.steps.contains("圧縮 100%")) << recorder.steps.join(',').toStdString();
    EXPECT_FALSE(form->ProgressBar1->isTextVisible());
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

// A save ends with a notice below the controls, not a box: what was written, the pictures not
// handled as asked, and buttons that open the album and its folder. It stays until dismissed
// or the next action.
TEST_F(SaveWindowTest, SaveLeavesANoticeWithItsWarningsBelowTheControls) {
    OpenWithOutput("[Option]\r\nLossless=1\r\nNoGPS=1\r\n");
    EXPECT_TRUE(form->CheckBoxLossless->isChecked());
    EXPECT_TRUE(form->CheckBoxNoGps->isChecked());
    WriteFile(data / "in/bad1.jpg", "not a picture");
    WriteFile(data / "in/bad2.jpg", "neither");
    Drop({Q(data / "in/bad1.jpg"), Q(data / "in/bad2.jpg")});
    form->CheckBoxNoGps->setChecked(false);
    const QSize before = form->size();
    std::vector<QRect> controls;
    for (QWidget* child : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        controls.push_back(child->geometry());
    QStringList opened;
    form->NoticeBar->SetLauncher([&](const QString& address) {
        opened << address;
        return true;
    });
    Click(form->SaveBitBtn);
    EXPECT_TRUE(boxes.seen.empty()) << boxes.seen[0].text.toStdString();
    ASSERT_TRUE(form->NoticeBar->isVisible());
    EXPECT_FALSE(form->NoticeBar->PublishButton->isVisible());  // no destination set
    EXPECT_EQ(form->NoticeBar->Text->text(),
              QStringLiteral("保存しました: 4 枚 — ") + Q(data / "out/無題.htm"));
    const QString warnings = form->NoticeBar->Warnings->text();
    EXPECT_TRUE(warnings.contains(Q(data / "in/bad1.jpg"))) << warnings.toStdString();
    EXPECT_TRUE(warnings.contains(Q(data / "in/bad2.jpg"))) << warnings.toStdString();
    EXPECT_FALSE(warnings.contains(Q(data / "in/p1.jpg"))) << warnings.toStdString();
    EXPECT_TRUE(FileExists(data / "out/無題.files/$_無題004.jpg"));
    // The save took the general page's choices as they stood.
    EXPECT_TRUE(form->Album().LosslessTurns);
    EXPECT_FALSE(form->Album().StripLocation);
    // The window grew below its controls; none of them moved or lies under the notice.
    EXPECT_EQ(form->width(), before.width());
    EXPECT_GT(form->height(), before.height());
    const QRect notice = form->NoticeBar->geometry();
    EXPECT_EQ(notice.top(), before.height());
    for (const QRect& control : controls)
        EXPECT_FALSE(control.intersects(notice));

    Click(form->NoticeBar->OpenAlbumButton);
    Click(form->NoticeBar->OpenFolderButton);
    EXPECT_EQ(opened, (QStringList{QUrl::fromLocalFile(Q(data / "out/無題.htm")).toString(),
                                   QUrl::fromLocalFile(Q(data / "out")).toString()}));
    Click(form->NoticeBar->DismissButton);
    EXPECT_FALSE(form->NoticeBar->isVisible());
    EXPECT_EQ(form->size(), before);
    // A save without warnings shows no warning lines; the next drop dismisses the notice.
    Drop({Q(data / "in/p1.jpg")});
    boxes.sayYes = true;  // it replaces the album just saved
    Click(form->SaveBitBtn);
    EXPECT_TRUE(form->NoticeBar->isVisible());
    EXPECT_TRUE(form->NoticeBar->Warnings->text().isEmpty());
    Drop({Q(data / "in/p2.jpg")});
    EXPECT_FALSE(form->NoticeBar->isVisible());
    EXPECT_EQ(form->size(), before);
    // Closed with the notice shown, the window keeps its own size for the next start.
    Click(form->SaveBitBtn);
    ASSERT_TRUE(form->NoticeBar->isVisible());
    Close();
    EXPECT_NE(
        ReadFile(Program("albumon.INI")).find("Height=" + std::to_string(before.height()) + "\r\n"),
        std::string::npos);
}

// Many warnings keep the notice, and the window, short: the first few are listed, the count of
// the rest follows, and the whole list is the tip of the warnings.
// The naming page's 公開先 and 公開URL come from the settings file and go back into it; the
// notice offers 公開する when a destination is set (and, in the test above, not without one).
TEST_F(SaveWindowTest, PublishSettingsAndTheNoticesPublishButton) {
    OpenWithOutput("[Publish]\r\nDestination=sftp://me@example.org/www/\r\n");
    EXPECT_EQ(form->EditPublishDest->text(), QStringLiteral("sftp://me@example.org/www/"));
    EXPECT_EQ(form->EditPublicUrl->text(), QString());
    Click(form->SaveBitBtn);
    ASSERT_TRUE(form->NoticeBar->isVisible());
    EXPECT_TRUE(form->NoticeBar->PublishButton->isVisible());
    form->EditPublishDest->clear();
    form->EditPublicUrl->setText(QStringLiteral("https://example.org/album/"));
    Close();
    const std::string ini = ReadFile(Program("albumon.INI"));
    EXPECT_NE(ini.find("[Publish]\r\nDestination=\r\nPublicUrl=https://example.org/album/\r\n"),
              std::string::npos)
        << ini;
}

TEST_F(SaveWindowTest, ManyWarningsKeepTheNoticeShort) {
    OpenWithOutput();
    QStringList bad;
    for (int i = 0; i < 12; ++i) {
        const std::string path = data / ("in/bad" + std::to_string(i) + ".jpg");
        WriteFile(path, "not a picture");
        bad << Q(path);
    }
    Drop(bad);
    const int before = form->height();
    Click(form->SaveBitBtn);
    ASSERT_TRUE(form->NoticeBar->isVisible());
    const QStringList shown = form->NoticeBar->Warnings->text().split(QLatin1Char('\n'));
    ASSERT_EQ(shown.size(), 4);
    EXPECT_TRUE(shown[0].contains(bad[0])) << shown[0].toStdString();
    EXPECT_EQ(shown[3], QStringLiteral("ほか 9 件"));
    for (const QString& path : bad)
        EXPECT_TRUE(form->NoticeBar->Warnings->toolTip().contains(path)) << path.toStdString();
    EXPECT_LT(form->height(), before + before / 3);
}

// A window reaching down to the screen's bottom grows no further: its controls give the notice
// its room, and get it back when the notice goes.
TEST_F(SaveWindowTest, NoticeStaysOnTheScreen) {
    for (const bool designSize : {false, true}) {
        OpenWithOutput();
        const QRect screen = form->screen()->availableGeometry();
        if (!designSize)
            form->resize(form->width(), screen.height() - 10);
        form->move(screen.left(), screen.bottom() + 1 - form->frameGeometry().height());
        const QSize before = form->size();
        boxes.sayYes = true;  // the second replaces the first
        Click(form->SaveBitBtn);
        ASSERT_TRUE(form->NoticeBar->isVisible());
        if (!designSize) {
            EXPECT_LE(form->frameGeometry().bottom(), screen.bottom());
        }
        EXPECT_LE(form->NoticeBar->geometry().bottom(), form->height());
        Click(form->NoticeBar->DismissButton);
        EXPECT_EQ(form->size(), before) << designSize;
        Close();
    }
}

TEST_F(SaveWindowTest, MissingSourceEndsTheSaveAndKeepsTheEntries) {
    OpenWithOutput();
    ::unlink((data / "in/p2.jpg").c_str());
    Click(form->SaveBitBtn);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "Albumon");
    EXPECT_TRUE(boxes.seen[0].text.contains(Q(data / "in/p2.jpg")));
    EXPECT_EQ(form->ListBoxIn->count(), 2);
    EXPECT_TRUE(FolderNames(data / "out").empty());  // nothing of the failed save
}

// Entries whose files would take one name are named in an error box before anything is
// written; the entries stay.
TEST_F(SaveWindowTest, CollidingNamesAreNamedBeforeTheSave) {
    OpenWithOutput();
    ClickRow(1);
    Click(form->RadioButton4);
    form->EditName->setText("無題001.jpeg");
    Click(form->SaveBitBtn);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "エラー");
    EXPECT_TRUE(boxes.seen[0].text.contains("1番目（p1.jpg）と2番目（p2.jpg）: 「無題001.jpg」"))
        << boxes.seen[0].text.toStdString();
    EXPECT_TRUE(FolderNames(data / "out").empty());
    EXPECT_EQ(form->ListBoxIn->count(), 2);
}

// An earlier album comes back in the album's order and names, with their notes, however their
// file names sort, and gives the head text its own: by "選択" on its folder or by a drop of its
// index page.
TEST_F(SaveWindowTest, AlbumComesBackInTheAlbumsOrderWithItsHeadText) {
    const std::string album = data / "旅.files";
    WriteJpeg(album + "/表紙.jpg", 64, 48);
    WriteJpeg(album + "/旅001.jpg", 48, 64);
    WriteJpeg(album + "/$_旅001.jpg", 48, 64);
    WriteFile(album + "/旅001.htm",
              "<!-- ALBUMON PRENOTE BEGIN -->\r\n朝\r\n<!-- ALBUMON PRENOTE END -->\r\n");
    WriteFile(data / "旅.htm", "Fname[0]=\"表紙\";\r\nDocType[0]=0;\r\nFname[1]=\"旅001\";\r\n");
    WriteFile(Program("albumon.INI"), "[File]\r\nIn=" + album + "\r\n");
    const std::vector<std::pair<const char*, std::function<void()>>> ways{
        {"選択 on its folder", [this] { Click(form->BitBtnOpen); }},
        {"its index page dropped", [this] { Drop({QString::fromStdString(data / "旅.htm")}); }},
    };
    for (const auto& [way, read] : ways) {
        Open();
        read();
        EXPECT_EQ(InputRows(), (QStringList{"表紙.jpg", "旅001.jpg"})) << way;
        EXPECT_EQ(OutputRows(), (QStringList{"無:表紙.jpg", "上:旅001.jpg"})) << way;
        EXPECT_EQ(form->EditHedFix->text(), QStringLiteral("旅")) << way;
        EXPECT_TRUE(boxes.seen.empty()) << way;
    }
}

// An album's index page dropped on the list stands for its album; what cannot be read of it (a
// listed picture that is missing) is named in one box, and the rest comes in.
TEST_F(SaveWindowTest, DroppedIndexPageBringsItsAlbum) {
    const std::string album = data / "旅.files";
    WriteJpeg(album + "/表紙.jpg", 64, 48);
    WriteJpeg(album + "/旅001.jpg", 48, 64);
    WriteFile(data / "旅.htm",
              "Fname[0]=\"表紙\";\r\nFname[1]=\"旅001\";\r\nFname[2]=\"消えた\";\r\n");
    Open();
    Drop({QString::fromStdString(data / "旅.htm")});
    EXPECT_EQ(InputRows(), (QStringList{"表紙.jpg", "旅001.jpg"}));
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_TRUE(boxes.seen[0].text.contains(QStringLiteral("「消えた」")));
    EXPECT_TRUE(boxes.seen[0].text.contains(QString::fromStdString(data / "旅.htm")));
}

// The archive is put in place with the album: a folder where it goes fails the whole save, which
// keeps its entries.
TEST_F(SaveWindowTest, ArchiveFailureIsReported) {
    OpenWithOutput("Zip=1\r\n");
    const int entries = form->ListBoxIn->count();
    ForceDirectories(data / "out/無題.zip");  // a folder where the archive should go
    Click(form->SaveBitBtn);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "Albumon");
    EXPECT_TRUE(boxes.seen[0].text.contains("無題.zip"));
    EXPECT_FALSE(FileExists(data / "out/無題.htm"));
    EXPECT_EQ(form->ListBoxIn->count(), entries);
}

// An empty list never replaces an album's index page without asking; a save with no index page
// to replace asks nothing. An index page no save wrote is then listed in a second question,
// "いいえ" by default. Either way the progress bar ends as an ordinary empty bar, never the busy
// bar.
TEST_F(SaveWindowTest, EmptySaveAsksBeforeReplacingAnAlbum) {
    struct Case {
        const char* name;
        bool existing;
        bool yes;
        bool asked;
        bool replaced;
    };
    const Case cases[] = {{"answered no", true, false, true, false},
                          {"answered yes", true, true, true, true},
                          {"no album yet", false, false, false, true}};
    const std::string index = data / "out/無題.htm";
    for (const Case& c : cases) {
        OpenWithOutput();
        Click(form->ClearBitBtn);
        if (c.existing)
            WriteFile(index, "earlier album");
        else
            ::unlink(index.c_str());
        boxes.sayYes = c.yes;
        Click(form->SaveBitBtn);
        EXPECT_EQ(boxes.seen.size(), c.asked ? (c.yes ? 2u : 1u) : 0u) << c.name;
        for (const auto& box : boxes.seen) {
            EXPECT_EQ(box.title, "確認") << c.name;
            EXPECT_TRUE(box.text.contains(Q(index))) << c.name;
            EXPECT_EQ(box.buttons.size(), 2) << c.name;
            EXPECT_TRUE(box.defaultButton.startsWith("いいえ")) << box.defaultButton.toStdString();
        }
        if (boxes.seen.size() == 2) {
            EXPECT_TRUE(boxes.seen[1].text.contains(
                QStringLiteral("Albumon の保存したものではありません")));
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

// "キャンセル" beside the progress bar stops the save with the album as it was and the entries
// kept; while the save runs no other control takes a click.
TEST_F(SaveWindowTest, CancelStopsTheSaveWithTheAlbumAsItWas) {
    boxes.acceptQuietly << QStringLiteral("」は既にあります。置き換えますか？");
    OpenWithOutput();
    EXPECT_FALSE(form->SaveCancelBtn->isEnabled());
    Click(form->SaveBitBtn);
    const std::string index = ReadFile(data / "out/無題.htm");
    const std::vector<std::string> album = FolderNames(data / "out/無題.files");
    const std::string first = ReadFile(data / "out/無題.files/無題001.jpg");
    Drop({Q(data / "in/p2.jpg"), Q(data / "in/p1.jpg")});
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (!form->SaveCancelBtn->isEnabled() || ++ticks != 1)
            return;
        QTest::mouseClick(form->ClearBitBtn, Qt::LeftButton);
        QTest::mouseClick(form->SaveCancelBtn, Qt::LeftButton);
    });
    ticker.start();
    Click(form->SaveBitBtn);
    ticker.stop();
    EXPECT_GE(ticks, 1);
    EXPECT_TRUE(boxes.seen.empty()) << boxes.seen[0].text.toStdString();
    EXPECT_EQ(form->ListBoxIn->count(), 2);
    EXPECT_FALSE(form->SaveCancelBtn->isEnabled());
    EXPECT_EQ(ReadFile(data / "out/無題.htm"), index);
    EXPECT_EQ(FolderNames(data / "out/無題.files"), album);
    EXPECT_EQ(ReadFile(data / "out/無題.files/無題001.jpg"), first);
}

}  // namespace
}  // namespace albumon::test
