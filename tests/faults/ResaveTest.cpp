// Re-saving an album into its own folder: its picture folder opened again as input, the same
// head text, some entries turned and the order changed. Every picture must end up either as it
// was or correctly replaced (never truncated or lost), and the notes must come back.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <filesystem>

#include "FaultFixture.h"
#include "FileSystem.h"

namespace albumon::test {
namespace {

const std::string kHead = "旅";
constexpr int kCount = 5;
// The new order (old positions) and the quarter turns given in it.
constexpr int kOrder[kCount] = {0, 1, 4, 2, 3};

class ResaveTest : public FaultTest {
  protected:
    ResaveTest() {
        for (int k = 0; k < kCount; ++k)
            WriteJpeg(data / ("in/p" + std::to_string(k) + ".jpg"), 120 + 30 * k, 90 + 10 * k);
        WriteFile(data / "below.txt", "下のメモ\r\n<b>太字</b>\r\n");
        WriteFile(data / "above.txt", "上のメモ\r\n");
        ChildRun first =
            Make({"-q", "--head", kHead, "-o", data / "out", data / "in/p0.jpg", data / "in/p1.jpg",
                  "--note-below", data / "below.txt", data / "in/p2.jpg", data / "in/p3.jpg",
                  "--note-above", data / "above.txt", data / "in/p4.jpg"});
        EXPECT_EQ(first.status, 0) << first.err;
        for (int k = 0; k < kCount; ++k)
            original.push_back(ReadFile(Saved(k)));
    }

    std::string Folder() const { return data / ("out/" + kHead + ".files"); }
    std::string Saved(int k) const {
        return Folder() + "/" + kHead + "00" + std::to_string(k + 1) + ".jpg";
    }

    // The album the re-save should give, made from copies of the pictures as they were.
    FolderSnapshot Expected() {
        std::vector<std::string> args{"-q", "--head", kHead, "-o", data / "expected"};
        for (int k : kOrder) {
            std::string copy = data / ("copies/" + std::to_string(k) + ".jpg");
            WriteFile(copy, original[k]);
            args.push_back(copy);
            if (k == 0)
                args.insert(args.end(), {"--rotate", "1"});
            if (k == 1)
                args.insert(args.end(), {"--note-below", data / "below.txt"});
            if (k == 3)
                args.insert(args.end(), {"--rotate", "3", "--note-above", data / "above.txt"});
        }
        ChildRun run = Make(args);
        EXPECT_EQ(run.status, 0) << run.err;
        return Snapshot(data / ("expected/" + kHead + ".files"));
    }

    // Compares the re-saved album with the expected one; every old picture counts as checked,
    // and the bytes of one not found where it belongs as lost.
    void ExpectResaved(FaultCase& fault) {
        const FolderSnapshot expected = Expected();
        const FolderSnapshot now = Snapshot(Folder());
        std::uint64_t lost = 0;
        for (int position = 0; position < kCount; ++position) {
            const std::string name = kHead + "00" + std::to_string(position + 1) + ".jpg";
            const bool kept = now.count(name) && now.at(name) == expected.at(name);
            EXPECT_TRUE(kept) << name << " is not the picture it should be";
            if (!kept)
                lost += original[kOrder[position]].size();
        }
        fault.Checked(kCount, lost);
        for (const auto& [name, bytes] : expected)
            EXPECT_TRUE(now.count(name) && now.at(name) == bytes) << name;
        EXPECT_EQ(ReadFile(data / ("out/" + kHead + ".htm")),
                  ReadFile(data / ("expected/" + kHead + ".htm")));
        EXPECT_TRUE(LeftoverTemporaries(Folder()).empty());
    }

    std::vector<std::string> original;
};

TEST_F(ResaveTest, WindowReopensTurnsReordersAndSaves) {
    FaultCase fault("re-save into its own folder");
    Settings(data / "out", false, "In=" + Folder() + "\r\n");
    Open();
    Click(form->BitBtnOpen);
    ASSERT_EQ(form->ListBoxIn->count(), kCount) << BoxTexts();
    EXPECT_EQ(form->EditHedFix->text().toStdString(), kHead);
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    ClickRow(0);
    Click(form->RotRBitBtn);
    ClickRow(3);
    Click(form->RotLBitBtn);
    ClickRow(4);
    Click(form->BitBtnUp);
    Click(form->BitBtnUp);
    Click(form->SaveBitBtn);
    ASSERT_TRUE(boxes.seen.empty()) << BoxTexts();
    ExpectResaved(fault);
    EXPECT_EQ(Names(Folder()).size(), 14u);  // no page left over from the earlier order

    // Opened once more, the notes are back with their pictures and no other picture has one.
    Click(form->BitBtnOpen);
    ASSERT_EQ(form->Album().EntryCount, kCount);
    for (int position = 0; position < kCount; ++position) {
        const int old = kOrder[position];
        EXPECT_EQ(form->Album().Entries[position].NotePos, old == 1   ? npBelow
                                                           : old == 3 ? npAbove
                                                                      : npNone)
            << "entry " << position;
    }
}

// Other pictures saved under the album's head text: the window asks, and "No" writes nothing.
TEST_F(ResaveTest, WindowSaveOverAnAlbumItWasNotReadFromAsksFirst) {
    FaultCase fault("save over an album not opened");
    fault.sources.AddFolder(Folder());
    fault.sources.Add(data / ("out/" + kHead + ".htm"));
    const FolderSnapshot before = Snapshot(data / "out");
    boxes.acceptQuietly.clear();
    Settings(data / "out", true);
    WriteJpeg(data / "other/a.jpg", 64, 48);
    Open();
    Drop(Q({data / "other/a.jpg"}));
    form->EditHedFix->setText(QString::fromStdString(kHead));
    Click(form->SaveBitBtn);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text.toStdString(),
              "「" + kHead + "」は既にあります。置き換えますか？");
    EXPECT_EQ(Snapshot(data / "out"), before);
    EXPECT_EQ(form->ListBoxIn->count(), 1);
}

TEST_F(ResaveTest, MakeReordersAndTurnsTheAlbumsOwnPictures) {
    FaultCase fault("re-save into its own folder");
    std::vector<std::string> args{"-q", "--head", kHead, "-o", data / "out"};
    for (int k : kOrder) {
        args.push_back(Saved(k));
        if (k == 0)
            args.insert(args.end(), {"--rotate", "1"});
        if (k == 3)
            args.insert(args.end(), {"--rotate", "3"});
    }
    ChildRun run = Make(args);
    ASSERT_EQ(run.status, 0) << run.err;
    ExpectResaved(fault);
}

TEST_F(ResaveTest, MakeFolderInputLeavesTheAlbumAsItWas) {
    FaultCase fault("re-save into its own folder");
    const FolderSnapshot before = Snapshot(Folder());
    const std::string index = ReadFile(data / ("out/" + kHead + ".htm"));
    ChildRun run = Make({"-q", "-o", data / "out", Folder()});
    ASSERT_EQ(run.status, 0) << run.err;
    const FolderSnapshot after = Snapshot(Folder());
    std::uint64_t lost = 0;
    for (const auto& [name, bytes] : before) {
        const bool same = after.count(name) && after.at(name) == bytes;
        EXPECT_TRUE(same) << name;
        lost += same ? 0 : bytes.size();
    }
    fault.Checked(before.size(), lost);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(ReadFile(data / ("out/" + kHead + ".htm")), index);
}

}  // namespace
}  // namespace albumon::test
