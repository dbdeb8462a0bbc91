// The questions before the user's work could be lost: a save over an album the list was not read
// from, and a close with entries changed since they were last saved or opened.
#include <unistd.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "FileSystem.h"
#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "WindowFixture.h"

namespace albumon::test {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

class UnsavedWorkTest : public WindowTest {
  public:
    // An earlier album 旅行 in the output folder, with a note page and the save's record, and two
    // other pictures.
    void OpenWithAlbum() {
        std::filesystem::remove_all(data / "out");
        ForceDirectories(data / "out");
        WriteFile(Program("albumon.INI"), "[File]\r\nOut=" + data.path() + "/out/\r\n");
        WriteJpeg(data / "out/旅行.files/旅行001.jpg", 64, 48);
        WriteJpeg(data / "out/旅行.files/旅行002.jpg", 48, 64);
        WriteFile(
            data / "out/旅行.files/旅行002.htm",
            "<!-- ALBUMON POSTNOTE BEGIN -->\r\n唯一の控え\r\n<!-- ALBUMON POSTNOTE END -->\r\n");
        WriteFile(data / "out/旅行.htm", "earlier album");
        // The record of the save that wrote it (an older one, sizes without times).
        std::string record = "Albumon saved files 1\n";
        for (const char* name : {"旅行001.jpg", "旅行002.jpg", "旅行002.htm"}) {
            const std::string file = ReadFile(data / ("out/旅行.files/" + std::string(name)));
            record += std::to_string(file.size()) + " " + name + '\0';
        }
        WriteFile(data / "out/旅行.files/.albumon.saved", record);
        WriteJpeg(data / "in/a.jpg", 64, 48);
        WriteJpeg(data / "in/b.jpg", 64, 48);
        Open();
    }
    // One change the user can make to the list, by name.
    void Change(const std::string& name) {
        if (name == "cleared")
            Click(form->ClearBitBtn);
        if (name == "added")
            Drop({Q(data / "in/a.jpg")});
        if (name == "moved")
            Click(form->BitBtnDown);
        if (name == "sorted by date") {  // the album's second picture was taken first
            for (const auto& [file, taken] : {std::pair{"旅行001.jpg", "2026:08:02 10:00:00"},
                                              std::pair{"旅行002.jpg", "2026:08:01 10:00:00"}}) {
                PhotoParts parts{1, false, false, false, 90, taken, "+09:00"};
                WriteFile(data / ("out/旅行.files/" + std::string(file)),
                          PhoneJpeg(QuadrantRaster(64, 48), parts));
            }
            form->mnuSortDate->trigger();
        }
        if (name == "deleted")
            Click(form->BitBtnDelete);
        if (name == "turned")
            Click(form->RotRBitBtn);
        if (name == "renamed") {
            Click(form->RadioButton4);
            form->EditName->clear();
            QTest::keyClicks(form->EditName, "cover");
        }
        if (name == "note typed")
            TypeMemo("追記");
    }
    void ReopenAlbum() { form->AddStartPaths({data / "out/旅行.files"}); }
    void DropOthers() {
        Drop({Q(data / "in/a.jpg"), Q(data / "in/b.jpg")});
        form->EditHedFix->setText(QStringLiteral("旅行"));
    }
};

TEST_F(UnsavedWorkTest, SavingOverAnAlbumTheListWasNotReadFromAsksFirst) {
    struct Case {
        const char* name;
        void (UnsavedWorkTest::*fill)();
        bool yes;
        bool asked;
        bool replaced;
    };
    const Case cases[] = {
        {"other pictures, answered no", &UnsavedWorkTest::DropOthers, false, true, false},
        {"other pictures, answered yes", &UnsavedWorkTest::DropOthers, true, true, true},
        {"re-opened from the album", &UnsavedWorkTest::ReopenAlbum, false, false, true},
    };
    const std::string index = data / "out/旅行.htm";
    const std::string page = data / "out/旅行.files/旅行002.htm";
    for (const Case& c : cases) {
        OpenWithAlbum();
        (this->*c.fill)();
        const std::string pageBefore = ReadFile(page);
        boxes.sayYes = c.yes;
        Click(form->SaveBitBtn);
        ASSERT_EQ(boxes.seen.size(), c.asked ? 1u : 0u) << c.name;
        if (c.asked) {
            EXPECT_EQ(boxes.seen[0].text,
                      QStringLiteral("「旅行」は既にあります。置き換えますか？"));
            EXPECT_TRUE(boxes.seen[0].defaultButton.startsWith("いいえ")) << c.name;
        }
        EXPECT_EQ(ReadFile(index) != "earlier album", c.replaced) << c.name;
        EXPECT_EQ(form->Album().EntryCount == 0, c.replaced) << c.name;
        if (!c.replaced) {
            EXPECT_EQ(ReadFile(page), pageBefore) << c.name;
        }
        boxes.seen.clear();
        Close();
    }
    // An album folder a save wrote still holds the album's notes when its index page went.
    OpenWithAlbum();
    ::unlink(index.c_str());
    WriteFile(data / "out/旅行.files/.albumon.saved", "Albumon saved files 1\n");
    DropOthers();
    Click(form->SaveBitBtn);
    EXPECT_EQ(boxes.seen.size(), 1u);
    EXPECT_FALSE(FileExists(index));
    boxes.seen.clear();
    Close();
    // The list is cleared by the save: a new list under the same title asks again.
    OpenWithAlbum();
    ReopenAlbum();
    Click(form->SaveBitBtn);
    Drop({Q(data / "in/a.jpg")});
    Click(form->SaveBitBtn);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(form->Album().EntryCount, 1);
}

// The session's end while a box of the save is up answers it as the session ends: "No" to the
// question, so that nothing is written, "OK" to an error; the window closes without waiting.
TEST_F(UnsavedWorkTest, SessionEndDuringABoxOfTheSaveClosesAtOnce) {
    const std::pair<const char*, const char*> cases[] = {
        {"旅行", "既にあります"},  // the replace question
        {"京都", "開けません"},    // the error of a save that failed
    };
    for (const auto& [head, box] : cases) {
        OpenWithAlbum();
        DropOthers();
        form->EditHedFix->setText(Q(head));
        ::unlink((data / "in/b.jpg").c_str());
        boxes.leaveOpen = {Q(box)};
        // The session ends as soon as the box is up. Should the box still wait, the user comes
        // back long after and answers "Yes" or "OK" (only so that the test ends).
        bool boxSeen = false;
        bool answeredBySession = false;
        bool waited = false;
        QTimer guard;
        guard.setSingleShot(true);
        guard.setInterval(kPatienceMs);
        QTimer watcher;
        watcher.setInterval(0);
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            auto* open = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (open == nullptr || !open->text().contains(Q(box)) || boxSeen)
                return;
            boxSeen = true;
            QObject::connect(open, &QDialog::finished, [&] { answeredBySession = !waited; });
            QObject::connect(&guard, &QTimer::timeout, open, [&waited, open] {
                waited = true;
                QAbstractButton* yes = open->button(QMessageBox::Yes);
                (yes != nullptr ? yes : open->button(QMessageBox::Ok))->click();
            });
            guard.start();
            form->CloseWithoutQuestion();
        });
        watcher.start();
        Click(form->SaveBitBtn);
        watcher.stop();
        guard.stop();
        EXPECT_TRUE(boxSeen) << head;
        EXPECT_TRUE(answeredBySession) << head;
        EXPECT_FALSE(waited) << head;
        EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }, kPatienceMs)) << head;
        EXPECT_TRUE(ReadFile(data / "out/旅行.htm") == "earlier album") << head;
        Close();
    }
}

// Each change since the list was opened makes the close ask; "No" keeps the window open. A list
// opened and left as it was, or emptied, has nothing to lose.
TEST_F(UnsavedWorkTest, ClosingWithUnsavedChangesAsks) {
    const std::pair<const char*, bool> cases[] = {
        {"nothing", false}, {"cleared", false},       {"added", true},
        {"moved", true},    {"sorted by date", true}, {"deleted", true},
        {"turned", true},   {"renamed", true},        {"note typed", true},
    };
    for (const auto& [name, asks] : cases) {
        OpenWithAlbum();
        ReopenAlbum();
        ClickRow(0);
        Change(name);
        form->close();
        ASSERT_EQ(boxes.seen.size(), asks ? 1u : 0u) << name;
        EXPECT_EQ(form->isVisible(), asks) << name;
        if (asks) {
            EXPECT_EQ(boxes.seen[0].text,
                      QStringLiteral("保存していない写真があります。終了しますか？"));
            EXPECT_TRUE(boxes.seen[0].defaultButton.startsWith("いいえ")) << name;
            EXPECT_EQ(form->windowTitle(), "Albumon");
            boxes.sayYes = true;
            form->close();
            EXPECT_FALSE(form->isVisible()) << name;
        }
        boxes.seen.clear();
        boxes.sayYes = false;
        form.reset();
    }
}

}  // namespace
}  // namespace albumon::test
