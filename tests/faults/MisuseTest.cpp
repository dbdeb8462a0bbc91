// Misuse of the window: "保存" clicked twice before the window handles either click, the
// window closed while a save is under way (its error box open) or queued behind it, a head text
// of 100 000 characters, 300 files dropped at once, and typing into the memo with no entry
// selected.
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "FaultFixture.h"
#include "FileSystem.h"

namespace albumon::test {
namespace {

class MisuseTest : public FaultTest {
  protected:
    MisuseTest() { ForceDirectories(data / "out"); }

    std::vector<std::string> Pictures(int count) {
        std::vector<std::string> paths;
        for (int k = 0; k < count; ++k) {
            paths.push_back(data / ("in/p" + std::to_string(1000 + k) + ".jpg"));
            WriteJpeg(paths.back(), 64 + k % 9, 48);
            fault.sources.Add(paths.back());
        }
        return paths;
    }

    // Queues a click on widget as the window system delivers it, without handling it yet.
    static void QueueClick(QWidget* widget) {
        const QPointF at = QRectF(widget->rect()).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QApplication::postEvent(
                widget,
                new QMouseEvent(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                Qt::NoModifier));
        }
    }

    // The number of entries the index page lists.
    int IndexedEntries() const {
        const std::string index = ReadFile(data / "out/無題.htm");
        int count = 0;
        for (auto at = index.find("Fname["); at != std::string::npos;
             at = index.find("Fname[", at + 1)) {
            ++count;
        }
        return count;
    }

    FaultCase fault{"window misuse"};
};

// A double click: the second click, handled after the first save emptied the list, must not
// save the empty list over the album's index page (and the archive's copy of it).
TEST_F(MisuseTest, SaveClickedTwiceBeforeEitherIsHandled) {
    const std::vector<std::string> pictures = Pictures(3);
    Settings(data / "out", true);
    Open();
    Drop(Q(pictures));
    // Saves are seen through the progress bar's picture step: each sets its maximum.
    std::vector<int> maxima;
    QObject::connect(form->ProgressBar1, &QProgressBar::valueChanged, form.get(), [&] {
        if (form->ProgressBar1->format().startsWith(QStringLiteral("画像")))
            maxima.push_back(form->ProgressBar1->maximum());
    });
    QueueClick(form->SaveBitBtn);
    QueueClick(form->SaveBitBtn);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(boxes.seen.empty()) << BoxTexts();
    // The album is whole, and a second click never left an empty index over it.
    EXPECT_EQ(IndexedEntries(), 3);
    EXPECT_EQ(ReadFile(data / "out/無題.files/無題003.jpg"), ReadFile(pictures[2]));
    EXPECT_EQ(ZipEntries(data / "out/無題.zip").size(), 9u);
    // One save: every step of progress belongs to the save of three entries.
    ASSERT_FALSE(maxima.empty());
    for (int maximum : maxima)
        EXPECT_EQ(maximum, 3);
}

TEST_F(MisuseTest, WindowClosedWhileTheSaveShowsItsError) {
    const std::vector<std::string> pictures = Pictures(3);
    Settings(data / "out", false);
    Open();
    Drop(Q(pictures));
    const std::string gone = pictures[1];
    const std::string keep = ReadFile(gone);
    ::unlink(gone.c_str());
    boxes.acceptQuietly << QStringLiteral("保存していない写真があります。終了しますか？");
    // The save's error box runs its own event loop: the window is closed from there.
    bool closedDuringBox = false;
    QTimer closer;
    closer.setInterval(0);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox*>(widget) && form->isVisible()) {
                form->close();
                closedDuringBox = true;
            }
        }
    });
    closer.start();
    Click(form->SaveBitBtn);
    closer.stop();
    WriteFile(gone, keep);
    EXPECT_TRUE(closedDuringBox);
    EXPECT_FALSE(form->isVisible());
    ASSERT_GE(boxes.seen.size(), 1u);
    EXPECT_TRUE(boxes.seen[0].text.contains(QString::fromStdString(gone))) << BoxTexts();
    EXPECT_TRUE(FileExists(Program("albumon.INI")));
    EXPECT_TRUE(FolderNames(Program("Temp")).empty());
    // The failed save wrote nothing.
    EXPECT_TRUE(FolderNames(data / "out").empty());
    form.reset();
}

TEST_F(MisuseTest, WindowClosedWithACloseQueuedBehindTheSave) {
    const std::vector<std::string> pictures = Pictures(4);
    Settings(data / "out", true);
    Open();
    Drop(Q(pictures));
    QueueClick(form->SaveBitBtn);
    QMetaObject::invokeMethod(form.get(), "close", Qt::QueuedConnection);
    QApplication::processEvents();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(boxes.seen.empty()) << BoxTexts();
    EXPECT_EQ(IndexedEntries(), 4);
    EXPECT_EQ(ZipEntries(data / "out/無題.zip").size(), 11u);
    EXPECT_NE(ReadFile(Program("albumon.INI")).find("Zip=1"), std::string::npos);
    form.reset();
}

TEST_F(MisuseTest, HeadTextOfOneHundredThousandCharacters) {
    const std::vector<std::string> pictures = Pictures(2);
    Settings(data / "out", true);
    Open();
    Drop(Q(pictures));
    form->EditHedFix->setMaxLength(100000);
    form->EditHedFix->setText(QString(100000, QChar(0x65C5)));  // 旅
    ASSERT_EQ(form->ListBoxOut->count(), 2);
    Click(form->SaveBitBtn);
    // Refused before anything is written.
    ASSERT_EQ(boxes.seen.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes.seen[0].title, QStringLiteral("エラー"));
    EXPECT_TRUE(boxes.seen[0].text.contains(QStringLiteral("長すぎます"))) << BoxTexts();
    EXPECT_EQ(form->ListBoxIn->count(), 2);
    EXPECT_TRUE(FolderNames(data / "out").empty());
    // A usable head afterwards saves the kept entries.
    form->EditHedFix->setText("短い");
    Click(form->SaveBitBtn);
    EXPECT_EQ(boxes.seen.size(), 1u) << BoxTexts();
    EXPECT_EQ(FolderNames(data / "out/短い.files").size(), 6u);
}

TEST_F(MisuseTest, ThreeHundredFilesDroppedAtOnce) {
    const std::vector<std::string> pictures = Pictures(300);
    Settings(data / "out", false);
    Open();
    Drop(Q(pictures));
    ASSERT_EQ(boxes.seen.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes.seen[0].title, "エラー");
    EXPECT_EQ(boxes.seen[0].text.toStdString(),
              "入力ファイルは256個までです。44個のファイルは追加されませんでした");
    ASSERT_EQ(form->ListBoxIn->count(), 256);
    Click(form->SaveBitBtn);
    EXPECT_EQ(boxes.seen.size(), 1u) << BoxTexts();
    EXPECT_EQ(IndexedEntries(), 256);
    EXPECT_EQ(ReadFile(data / "out/無題.files/無題256.jpg"), ReadFile(pictures[255]));
    EXPECT_FALSE(FileExists(data / "out/無題.files/無題257.jpg"));
}

TEST_F(MisuseTest, TypingIntoTheMemoWithNothingSelected) {
    Settings(data / "out", false);
    Open();
    TypeMemo("a");
    ASSERT_EQ(boxes.seen.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes.seen[0].title, "エラー");
    EXPECT_EQ(boxes.seen[0].text, "入力を選択してください");
    EXPECT_TRUE(form->Memo->toPlainText().isEmpty());

    // With entries but none selected (the last row deleted) the typing reaches no entry either.
    const std::vector<std::string> pictures = Pictures(3);
    Drop(Q(pictures));
    ClickRow(2);
    Click(form->BitBtnDelete);
    ASSERT_TRUE(form->ListBoxIn->selectedItems().isEmpty());
    TypeMemo("b");
    EXPECT_EQ(boxes.seen.size(), 2u) << BoxTexts();
    EXPECT_TRUE(form->Memo->toPlainText().isEmpty());
    Click(form->SaveBitBtn);
    EXPECT_EQ(boxes.seen.size(), 2u) << BoxTexts();
    EXPECT_EQ(FolderNames(data / "out/無題.files"),
              (std::vector<std::string>{"$_無題001.jpg", "$_無題002.jpg", "album.css", "album.js",
                                        "無題001.jpg", "無題002.jpg"}));
}

}  // namespace
}  // namespace albumon::test
