// The input folder tree, its file list, the output and template folder buttons and the author
// links through the window, with real folders and a folder picker that records what it is asked.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItem>
#include <filesystem>
#include <optional>

#include "FTVEX_D3.h"
#include "FileListBox.h"
#include "FileSystem.h"
#include "FolderDialog.h"
#include "MailHP.h"
#include "PhoneFormatFixtures.h"
#include "PictureFixtures.h"
#include "WindowFixture.h"

namespace albumon::test {
namespace {

class FolderHandlersTest : public WindowTest {
  protected:
    void SaveInPath(const std::string& folder) {
        WriteFile(Program("albumon.INI"), "[File]\r\nIn=" + folder + "\r\n");
    }
    std::string Selected() const {
        QTreeWidgetItem* current = form->FolderTreeView->currentItem();
        return current ? TFolderTreeViewEx::FolderNameOf(current) : "(none)";
    }
    QStringList Files() const {
        QStringList rows;
        for (int i = 0; i < form->FileListBox1->count(); ++i)
            rows << form->FileListBox1->item(i)->text();
        return rows;
    }
    void ClickNode(QTreeWidgetItem* node) {
        QTreeWidget* tree = form->FolderTreeView;
        tree->scrollToItem(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                          tree->visualItemRect(node).center());
    }
    // Replaces the folder picker with one that answers from a list and records the requests.
    void AnswerPicker(std::vector<std::optional<std::string>> answers) {
        answers_ = std::move(answers);
        form->FolderDialog1->SetChooser([this](const TFolderDialog::Request& request) {
            asked.push_back(request);
            std::optional<std::string> answer = answers_.front();
            answers_.erase(answers_.begin());
            return answer;
        });
    }
    std::vector<TFolderDialog::Request> asked;

  private:
    std::vector<std::optional<std::string>> answers_;
};

TEST_F(FolderHandlersTest, SavedInputFolderIsOpenedListedAndAdded) {
    const std::string pics = data / "trip/pics";
    for (const char* name : {"c.Jpeg", "B.JPEG", "a.jpg"})
        WriteJpeg(pics + "/" + name, 40, 30);
    const Raster picture = QuadrantRaster(40, 30);
    WriteFile(pics + "/d.png", PngFile(picture, {}));
    WriteFile(pics + "/e.HEIC", HeicFile(picture, {}));
    WriteFile(pics + "/f.webp", WebpFile(picture, {}));
    WriteFile(pics + "/g.gif", "gif");
    ForceDirectories(pics + "/sub.jpg");
    SaveInPath(pics);
    Open();
    EXPECT_EQ(Selected(), pics);
    for (QTreeWidgetItem* up = form->FolderTreeView->currentItem()->parent(); up; up = up->parent())
        EXPECT_TRUE(up->isExpanded());
    const QStringList all = {"a.jpg", "B.JPEG", "c.Jpeg", "d.png", "e.HEIC", "f.webp"};
    EXPECT_EQ(Files(), all);
    EXPECT_EQ(form->InPathLabel->text().toStdString(), pics + "/");
    EXPECT_EQ(form->Album().InPath, pics);

    QListWidget* list = form->FileListBox1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(list->item(1)).center());
    EXPECT_TRUE(list->selectedItems().isEmpty());

    Click(form->BitBtnOpen);
    EXPECT_EQ(InputRows(), all);
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(FolderHandlersTest, MissingOrHiddenSavedFolderSelectsNothingSilently) {
    ForceDirectories(data / ".hidden/pics");
    WriteJpeg(data / ".hidden/pics/a.jpg", 20, 20);
    for (const std::string& saved : {data / "gone", data / ".hidden/pics"}) {
        SaveInPath(saved);
        Open();
        EXPECT_EQ(Selected(), "(none)") << saved;
        EXPECT_TRUE(form->InPathLabel->text().isEmpty());
        EXPECT_EQ(form->FileListBox1->count(), 0);
        EXPECT_EQ(form->Album().InPath, saved);
        Close();
    }
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(FolderHandlersTest, ComputerAndFileSystemRootNodes) {
    SaveInPath(data.path());
    Open();
    QTreeWidgetItem* computer = form->FolderTreeView->topLevelItem(0);
    ClickNode(computer);
    EXPECT_EQ(form->Album().InPath, "");
    EXPECT_EQ(form->InPathLabel->text(), "/");
    ClickNode(computer->child(0));
    EXPECT_EQ(form->Album().InPath, "/");
    EXPECT_EQ(form->InPathLabel->text(), "//");
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(FolderHandlersTest, RefreshShowsTheNewFoldersAndKeepsOpenNodesSelectionAndScroll) {
    ForceDirectories(data / "one/inner");
    ForceDirectories(data / "two");
    SaveInPath(data / "one/inner");
    Open();
    TFolderTreeViewEx* tree = form->FolderTreeView;
    QTreeWidgetItem* fileSystem = tree->topLevelItem(0)->child(0);
    tree->scrollToItem(fileSystem, QAbstractItemView::PositionAtTop);
    ASSERT_EQ(tree->itemAt(0, 0), fileSystem);

    ForceDirectories(data / "three");
    std::filesystem::remove(data / "two");
    WriteJpeg(data / "one/inner/new.jpg", 20, 20);
    form->mnuRefresh->trigger();

    QTreeWidgetItem* folder = tree->NodeOf(data.path());
    ASSERT_NE(folder, nullptr);
    ASSERT_EQ(folder->childCount(), 2);
    EXPECT_EQ(folder->child(0)->text(0), "one");
    EXPECT_EQ(folder->child(1)->text(0), "three");
    EXPECT_TRUE(folder->child(0)->isExpanded());
    EXPECT_EQ(Selected(), data / "one/inner");
    EXPECT_EQ(TFolderTreeViewEx::FolderNameOf(tree->itemAt(0, 0)), "/");
    EXPECT_EQ(Files(), QStringList{"new.jpg"});
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(FolderHandlersTest, FolderRemovedAfterReadingShowsTheErrorAndKeepsInPath) {
    WriteJpeg(data / "a/x.jpg", 20, 20);
    ForceDirectories(data / "b");
    SaveInPath(data / "a");
    Open();
    std::filesystem::remove(data / "b");
    EXPECT_TRUE(form->FolderTreeView->SelectFolder(data / "b"));
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "Albumon");
    EXPECT_EQ(boxes.seen[0].text.toStdString(), "ファイルが見つかりません (" + data / "b/)");
    EXPECT_EQ(form->Album().InPath, data / "a");
    EXPECT_EQ(form->InPathLabel->text().toStdString(), data / "a/");
    EXPECT_EQ(Files(), QStringList{"x.jpg"});
}

TEST_F(FolderHandlersTest, TemplateFolderNeedsDefHtm) {
    ForceDirectories(data / "plain");
    WriteFile(data / "mine/Def.htm", "<html></html>");
    Open();
    const std::string original = Program("Def/");
    AnswerPicker({data / "plain", std::nullopt, data / "mine"});
    Click(form->BitBtnTP);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "エラー");
    EXPECT_EQ(boxes.seen[0].text, "テンプレートファイル（Def.htm)がありません");
    EXPECT_EQ(form->Album().TemplatePath, original);
    EXPECT_EQ(form->TP_PathLabel->text().toStdString(), original);
    Click(form->BitBtnTP);
    EXPECT_EQ(form->Album().TemplatePath, original);
    Click(form->BitBtnTP);
    EXPECT_EQ(form->Album().TemplatePath, data / "mine/");
    EXPECT_EQ(form->TP_PathLabel->text().toStdString(), data / "mine/");
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].start, Program("Def"));
    EXPECT_EQ(asked[0].title, "フォルダーの選択");
    EXPECT_EQ(asked[0].owner, form.get());
    EXPECT_EQ(asked[1].start, Program("Def"));
    EXPECT_EQ(boxes.seen.size(), 1u);
}

// A template copied from Windows often spells its index "def.htm": any letter case is accepted.
TEST_F(FolderHandlersTest, TemplateFolderWithDefHtmInAnyCase) {
    WriteFile(data / "lower/def.htm", "<html></html>");
    Open();
    AnswerPicker({data / "lower"});
    Click(form->BitBtnTP);
    EXPECT_TRUE(boxes.seen.empty());
    EXPECT_EQ(form->Album().TemplatePath, data / "lower/");
}

TEST_F(FolderHandlersTest, OutputButtonOpensOnTheOutputFolder) {
    ForceDirectories(data / "out");
    Open();
    AnswerPicker({data / "out", std::nullopt, std::nullopt, std::nullopt});
    Click(form->OutPathBitBtn);
    EXPECT_EQ(form->Album().OutPath, data / "out/");
    EXPECT_EQ(form->OutPathLabel->text().toStdString(), data / "out/");
    Click(form->OutPathBitBtn);
    EXPECT_EQ(form->Album().OutPath, data / "out/");
    Click(form->BitBtnTP);
    Click(form->OutPathBitBtn);
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[0].start, program.path());
    EXPECT_EQ(asked[1].start, data / "out");
    EXPECT_EQ(asked[2].start, Program("Def"));
    EXPECT_EQ(asked[3].start, data / "out");
    EXPECT_TRUE(boxes.seen.empty());
}

// The desktop's own folder picker, in Japanese, on the output folder.
TEST_F(FolderHandlersTest, FolderPickerSpeaksJapaneseAndStartsOnTheOutputFolder) {
    ForceDirectories(data / "out");
    WriteFile(Program("albumon.INI"), "[File]\r\nOut=" + (data / "out/") + "\r\n");
    Open();
    QString shownFolder;
    QStringList buttons;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        shownFolder = dialog->directory().absolutePath();
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            buttons << button->text();
        dialog->reject();
    });
    closer.start();
    Click(form->OutPathBitBtn);
    closer.stop();
    EXPECT_EQ(shownFolder.toStdString(), data / "out");
    EXPECT_TRUE(buttons.join(" ").contains("キャンセル")) << buttons.join(" ").toStdString();
    EXPECT_EQ(form->Album().OutPath, data / "out/");
}

// "フォルダ更新" after the selected folder was deleted selects its parent, silently.
TEST_F(FolderHandlersTest, RefreshAfterTheSelectedFolderWasDeletedSelectsItsParent) {
    WriteJpeg(data / "a/x.jpg", 20, 20);
    ForceDirectories(data / "a/b/c");
    SaveInPath(data / "a/b/c");
    Open();
    std::filesystem::remove_all(data / "a/b");
    form->mnuRefresh->trigger();
    EXPECT_TRUE(boxes.seen.empty()) << boxes.seen[0].text.toStdString();
    EXPECT_EQ(Selected(), data / "a");
    EXPECT_EQ(form->Album().InPath, data / "a");
    EXPECT_EQ(Files(), QStringList{"x.jpg"});
}

// A folder below the home folder opened from the file-system root stays there after a refresh.
TEST_F(FolderHandlersTest, RefreshKeepsTheWayThroughTheFileSystemRoot) {
    struct HomeFolder {  // the home folder of the tree, while the test runs
        explicit HomeFolder(const std::string& folder) { qputenv("HOME", folder.c_str()); }
        ~HomeFolder() { qputenv("HOME", saved); }
        QByteArray saved = qgetenv("HOME");
    } home(data / "home");
    ForceDirectories(data / "home/pics/sub");
    Open();
    ASSERT_EQ(form->FolderTreeView->topLevelItem(0)->child(1)->text(0), "ホーム");
    TFolderTreeViewEx* tree = form->FolderTreeView;
    QTreeWidgetItem* node = tree->topLevelItem(0)->child(0);
    ASSERT_EQ(TFolderTreeViewEx::FolderNameOf(node), "/");
    std::string at;
    for (const QString& part :
         QString::fromStdString(data / "home/pics").split('/', Qt::SkipEmptyParts)) {
        tree->expandItem(node);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !TFolderTreeViewEx::IsReading(node); }, kPatienceMs));
        at += "/" + part.toStdString();
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < node->childCount() && next == nullptr; ++i) {
            if (TFolderTreeViewEx::FolderNameOf(node->child(i)) == at)
                next = node->child(i);
        }
        ASSERT_NE(next, nullptr) << at;
        node = next;
    }
    tree->expandItem(node);
    ClickNode(node);
    ASSERT_EQ(Selected(), data / "home/pics");
    form->mnuRefresh->trigger();
    QTreeWidgetItem* selected = tree->currentItem();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(TFolderTreeViewEx::FolderNameOf(selected), data / "home/pics");
    QTreeWidgetItem* top = selected;
    while (top->parent() != tree->topLevelItem(0))
        top = top->parent();
    EXPECT_EQ(TFolderTreeViewEx::FolderNameOf(top), "/");
    EXPECT_TRUE(selected->isExpanded());
    EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(FolderHandlersTest, AuthorLinksOpenMailAndHomePage) {
    Open();
    std::vector<QString> opened;
    form->MailAndHP1->SetLauncher([&](const QString& address) {
        opened.push_back(address);
        return true;
    });
    EXPECT_EQ(form->Label9->text(), "albumon@example.org");
    EXPECT_EQ(form->Label15->text(), "https://albumon.example.org/");
    QTest::mouseClick(form->Label9, Qt::LeftButton);
    QTest::mouseClick(form->Label15, Qt::LeftButton);
    EXPECT_EQ(opened,
              (std::vector<QString>{"mailto:albumon@example.org", "https://albumon.example.org/"}));
    EXPECT_TRUE(form->MailAndHP1->Success());
}

}  // namespace
}  // namespace albumon::test
