// The shell controls on their own: the folder tree's reading, order, marks and walks, a slow and
// a huge folder, the file list's mask, the folder picker's remembered folder and the launcher.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTest>
#include <QTreeWidgetItem>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "Errors.h"
#include "FTVEX_D3.h"
#include "FileListBox.h"
#include "FileSystem.h"
#include "FolderDialog.h"
#include "MailHP.h"
#include "TestSupport.h"

namespace albumon::test {
namespace {

QStringList ChildLabels(const QTreeWidgetItem* node) {
    QStringList labels;
    for (int i = 0; i < node->childCount(); ++i)
        labels << node->child(i)->text(0);
    return labels;
}

class FolderTreeTest : public ::testing::Test {
  protected:
    FolderTreeTest() {
        tree.OnChange = [this](QObject*, const std::string& name) { reported.push_back(name); };
    }
    TempDir data;
    TFolderTreeViewEx tree;
    std::vector<std::string> reported;
};

TEST_F(FolderTreeTest, ChildrenSortedWithoutCaseHiddenLeftOutAndMarked) {
    for (const char* folder : {"beta", "Alpha", ".secret/inner", "gamma/sub"})
        ForceDirectories(data / folder);
    WriteFile(data / "file.txt", "not a folder");
    ASSERT_TRUE(tree.SelectFolder(data / "beta"));
    EXPECT_EQ(reported, std::vector<std::string>{data / "beta"});
    QTreeWidgetItem* node = tree.NodeOf(data.path());
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(node->isExpanded());
    EXPECT_EQ(tree.currentItem(), node->child(1));
    ASSERT_EQ(ChildLabels(node), (QStringList{"Alpha", "beta", "gamma"}));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return node->child(1)->childIndicatorPolicy() == QTreeWidgetItem::DontShowIndicator;
        },
        kPatienceMs));
    EXPECT_EQ(node->child(2)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    for (QTreeWidgetItem* up = node->parent(); up != nullptr; up = up->parent())
        EXPECT_TRUE(up->isExpanded());

    EXPECT_FALSE(tree.SelectFolder(data / ".secret/inner"));
    EXPECT_FALSE(tree.SelectFolder("//server/share" + data.path()));
    EXPECT_FALSE(tree.SelectFolder("relative/path"));
    EXPECT_EQ(tree.currentItem(), node->child(1));
    EXPECT_EQ(reported.size(), 1u);

    ASSERT_TRUE(tree.SelectFolder(data.path() + "/gamma/../Alpha/"));
    EXPECT_EQ(reported.back(), data / "Alpha");
    tree.setCurrentItem(tree.topLevelItem(0));
    EXPECT_EQ(reported.back(), "");
    tree.setCurrentItem(tree.topLevelItem(0)->child(0));
    EXPECT_EQ(reported.back(), "/");
}

// Folders made or removed in an open folder appear and go without "フォルダ更新"; open folders
// keep their children, and a selected folder that went gives way to its parent.
TEST_F(FolderTreeTest, OpenFoldersFollowTheDisk) {
    for (const char* folder : {"beta/inner", "delta"})
        ForceDirectories(data / folder);
    ASSERT_TRUE(tree.SelectFolder(data / "beta/inner"));
    QTreeWidgetItem* node = tree.NodeOf(data.path());
    QTreeWidgetItem* beta = tree.NodeOf(data / "beta");
    ASSERT_NE(node, nullptr);
    ASSERT_NE(beta, nullptr);
    ForceDirectories(data / "Alpha");
    ForceDirectories(data / "charlie");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return ChildLabels(node) == QStringList{"Alpha", "beta", "charlie", "delta"};
        },
        kPatienceMs));
    EXPECT_EQ(tree.NodeOf(data / "beta"), beta);
    EXPECT_TRUE(beta->isExpanded());
    ::rmdir((data / "delta").c_str());
    ::rmdir((data / "beta/inner").c_str());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return ChildLabels(node) == QStringList{"Alpha", "beta", "charlie"};
        },
        kPatienceMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return beta->childCount() == 0; }, kPatienceMs));
    EXPECT_EQ(tree.currentItem(), beta);
    EXPECT_EQ(reported.back(), data / "beta");
    // The selected folder, not open, shows its expand mark once a folder is made in it.
    ForceDirectories(data / "echo");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return tree.NodeOf(data / "echo") != nullptr; }, kPatienceMs));
    QTreeWidgetItem* echo = tree.NodeOf(data / "echo");
    tree.setCurrentItem(echo);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return echo->childIndicatorPolicy() == QTreeWidgetItem::DontShowIndicator; },
        kPatienceMs));
    ForceDirectories(data / "echo/inner");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return echo->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator; },
        kPatienceMs));
    tree.expandItem(echo);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return ChildLabels(echo) == QStringList{"inner"}; }, kPatienceMs));
}

// A reader held until the test lets it go: a folder as slow as the test wants it. Should the
// window wait for it, the reader gives up after kPatienceMs and says so, so that the test fails
// instead of hanging. Its state is shared with the reader, which workers may still call for
// other folders after the test.
class HeldReader {
  public:
    explicit HeldReader(std::string folder) : state_(std::make_shared<State>()) {
        state_->folder = std::move(folder);
    }
    TFolderTreeViewEx::FolderReader Reader() const {
        return [state = state_](const std::string& folder) {
            if (folder == state->folder) {
                const auto giveUp =
                    std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
                while (!state->released && std::chrono::steady_clock::now() < giveUp)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                state->gaveUp = !state->released;
                ++state->returned;
            }
            return ReadSubfolderNames(folder);
        };
    }
    void Release() { state_->released = true; }
    bool GaveUp() const { return state_->gaveUp; }
    int Returned() const { return state_->returned; }

  private:
    struct State {
        std::string folder;
        std::atomic<bool> released = false;
        std::atomic<bool> gaveUp = false;
        std::atomic<int> returned = 0;
    };
    std::shared_ptr<State> state_;
};

TEST_F(FolderTreeTest, SlowFolderIsReadWithoutBlockingTheWindow) {
    ForceDirectories(data / "slow/one");
    ForceDirectories(data / "slow/two");
    const std::string slow = data / "slow";
    HeldReader held(slow);
    tree.Reader = held.Reader();
    ASSERT_TRUE(tree.SelectFolder(slow));
    QTreeWidgetItem* node = tree.NodeOf(slow);
    ASSERT_NE(node, nullptr);
    tree.expandItem(node);  // returns while the folder is still being read
    EXPECT_EQ(held.Returned(), 0);
    EXPECT_TRUE(TFolderTreeViewEx::IsReading(node));
    EXPECT_EQ(ChildLabels(node), QStringList{"読み込み中…"});
    held.Release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !TFolderTreeViewEx::IsReading(node); }, kPatienceMs));
    EXPECT_FALSE(held.GaveUp());
    EXPECT_EQ(ChildLabels(node), (QStringList{"one", "two"}));
    EXPECT_FALSE(TFolderTreeViewEx::IsReading(node));

    // A folder removed while its children are read goes from the tree; their late arrival
    // finds nothing of it.
    ForceDirectories(data / "gone/inner");
    const std::string gone = data / "gone";
    HeldReader late(gone);
    tree.Reader = late.Reader();
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree.NodeOf(gone) != nullptr; }, kPatienceMs));
    tree.expandItem(tree.NodeOf(gone));
    std::filesystem::remove_all(gone);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree.NodeOf(gone) == nullptr; }, kPatienceMs));
    late.Release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return late.Returned() > 0; }, kPatienceMs));
    // The reader has returned; its result is handed to the window right after it.
    QTest::qWait(100);
    EXPECT_FALSE(late.GaveUp());
    EXPECT_EQ(ChildLabels(tree.NodeOf(data.path())), QStringList{"slow"});
}

TEST_F(FolderTreeTest, HugeFolderReadInTheBackgroundAndNotRefreshed) {
    // The names come from a stand-in reader: making ten thousand folders on disk takes long.
    const std::string huge = data / "huge";
    ForceDirectories(huge);
    tree.Reader = [huge](const std::string& folder) {
        if (folder != huge)
            return ReadSubfolderNames(folder);
        std::vector<std::string> names;
        for (int i = 10299; i >= 0; --i)
            names.push_back("d" + std::to_string(i));
        return names;
    };
    ASSERT_TRUE(tree.SelectFolder(huge));
    QTreeWidgetItem* node = tree.NodeOf(huge);
    ASSERT_NE(node, nullptr);
    tree.expandItem(node);
    ASSERT_TRUE(QTest::qWaitFor([&] { return node->childCount() == 10300; }, kPatienceMs));
    EXPECT_EQ(node->child(0)->text(0), "d0");
    EXPECT_EQ(node->child(1)->text(0), "d1");
    QTreeWidgetItem* first = node->child(0);
    // A refresh would read the open folder again.
    auto reads = std::make_shared<std::atomic<int>>(0);
    tree.Reader = [reads](const std::string& folder) {
        ++*reads;
        return ReadSubfolderNames(folder);
    };
    tree.RefreshTree();
    EXPECT_EQ(reads->load(), 0);
    EXPECT_EQ(tree.NodeOf(huge), node);
    EXPECT_EQ(node->child(0), first);
}

TEST(FileListBoxTest, MaskWithoutCaseAndUnreadableFolderKeepsTheList) {
    EXPECT_TRUE(MatchesMask("B.JPEG", "*.jpeg"));
    EXPECT_TRUE(MatchesMask("a.jpg", "*.JPG"));
    EXPECT_TRUE(MatchesMask("x.y.jpg", "?.*.jpg"));
    EXPECT_FALSE(MatchesMask("a.jpg.txt", "*.jpg"));
    EXPECT_FALSE(MatchesMask("a.jpeg", "*.jpg"));
    TempDir data;
    WriteFile(data / "z.jpg", "x");
    WriteFile(data / "A.JPG", "x");
    WriteFile(data / ".hidden.jpg", "x");
    WriteFile(data / "note.txt", "x");
    ForceDirectories(data / "folder.jpg");
    TFileListBox list;
    list.SetDirectory(data.path() + "/");
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(0)->text(), "A.JPG");
    EXPECT_EQ(list.item(1)->text(), "z.jpg");
    EXPECT_THROW(list.SetDirectory(data / "gone/"), EInOutError);
    EXPECT_EQ(list.Directory(), data.path() + "/");
    EXPECT_EQ(list.count(), 2);
}

TEST(FolderPickerTest, RemembersTheChoiceAndPreselectsOnlyExistingFolders) {
    TempDir data;
    ForceDirectories(data / "kept");
    TFolderDialog dialog(nullptr);
    std::vector<TFolderDialog::Request> asked;
    std::optional<std::string> answer;
    dialog.SetChooser([&](const TFolderDialog::Request& request) {
        asked.push_back(request);
        return answer;
    });
    answer = data / "kept/";
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Directory, data / "kept");
    answer = std::string();  // the computer itself: confirmed, no path
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Directory, data / "kept");
    answer = std::nullopt;
    EXPECT_FALSE(dialog.Execute());
    answer = "/";
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Directory, "/");
    dialog.Directory = data / "gone";
    answer = std::nullopt;
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.Directory, data / "gone");
    ASSERT_EQ(asked.size(), 5u);
    EXPECT_EQ(asked[0].start, "");
    EXPECT_EQ(asked[1].start, data / "kept");
    EXPECT_EQ(asked[2].start, data / "kept");
    EXPECT_EQ(asked[3].start, data / "kept");
    EXPECT_EQ(asked[4].start, "");
    EXPECT_EQ(asked[0].title, "フォルダーの選択");
}

TEST(MailAndHPTest, AddressesPassedAsWrittenAndSuccessFollowsTheDesktop) {
    TMailAndHP launcher;
    std::vector<QString> opened;
    bool accept = true;
    launcher.SetLauncher([&](const QString& address) {
        opened.push_back(address);
        return accept;
    });
    EXPECT_FALSE(launcher.Success());
    launcher.SendMail();
    EXPECT_TRUE(launcher.Success());
    launcher.HomePageAddress = "albumon.example.org/help";
    accept = false;
    launcher.OpenHomePage();
    EXPECT_FALSE(launcher.Success());
    EXPECT_EQ(opened, (std::vector<QString>{"mailto:", "albumon.example.org/help"}));
}

}  // namespace
}  // namespace albumon::test
