// Read-only places: an output folder holding an album, bound read-only, for the window's and
// albumon-make's save; a settings file bound read-only when the window closes.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include "FaultFixture.h"
#include "FileSystem.h"

namespace albumon::test {
namespace {

class ReadOnlyTest : public FaultTest {
  protected:
    ReadOnlyTest() {
        for (int k = 0; k < 3; ++k) {
            WriteJpeg(Picture(k), 200 + 40 * k, 150);
            WriteJpeg(data / ("old/p" + std::to_string(k) + ".jpg"), 40, 30);
            fault.sources.Add(Picture(k));
        }
        ChildRun old = Make({"-q", "--zip", "-o", data / "out", data / "old/p0.jpg",
                             data / "old/p1.jpg", data / "old/p2.jpg"});
        EXPECT_EQ(old.status, 0) << old.err;
        before = Snapshot(data / "out");
        beforeAlbum = Snapshot(data / "out/無題.files");
    }

    std::string Picture(int k) const { return data / ("in/p" + std::to_string(k) + ".jpg"); }
    std::vector<std::string> Pictures() const { return {Picture(0), Picture(1), Picture(2)}; }

    void ExpectOldAlbum() {
        EXPECT_TRUE(Snapshot(data / "out") == before);
        EXPECT_TRUE(Snapshot(data / "out/無題.files") == beforeAlbum);
    }

    FaultCase fault{"read-only output folder"};
    FolderSnapshot before;
    FolderSnapshot beforeAlbum;
};

TEST_F(ReadOnlyTest, WindowSaveIntoReadOnlyFolder) {
    Settings(data / "out", true);
    Open();
    Drop(Q(Pictures()));
    {
        std::unique_ptr<Mount> readOnly = Mount::ReadOnlyBind(data / "out", data / "out");
        ASSERT_TRUE(readOnly);
        Click(form->SaveBitBtn);
        ASSERT_EQ(boxes.seen.size(), 1u) << BoxTexts();
        EXPECT_EQ(boxes.seen[0].title, "Albumon");
        EXPECT_TRUE(boxes.seen[0].text.contains("ファイル")) << BoxTexts();
        EXPECT_EQ(form->ListBoxIn->count(), 3);
        ExpectOldAlbum();
    }
    // Writable again: the kept entries are saved.
    Click(form->SaveBitBtn);
    EXPECT_EQ(boxes.seen.size(), 1u) << BoxTexts();
    EXPECT_EQ(ReadFile(data / "out/無題.files/無題003.jpg"), ReadFile(Picture(2)));
}

TEST_F(ReadOnlyTest, MakeIntoReadOnlyFolder) {
    std::unique_ptr<Mount> readOnly = Mount::ReadOnlyBind(data / "out", data / "out");
    ASSERT_TRUE(readOnly);
    std::vector<std::string> args{"-q", "--zip", "-o", data / "out"};
    for (const std::string& picture : Pictures())
        args.push_back(picture);
    ChildRun run = Make(args);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("albumon-make: "), std::string::npos) << run.err;
    ExpectOldAlbum();
    EXPECT_TRUE(FolderNames(data / "tmp").size() <= 2u);  // the child's output files only
}

using ReadOnlySettingsTest = FaultTest;

TEST_F(ReadOnlySettingsTest, CloseWithReadOnlySettingsFile) {
    FaultCase fault("read-only settings file");
    const std::string ini = Program("albumon.INI");
    WriteFile(ini, "; kept\r\n[Thumb]\r\nHead=th_\r\nSize=80\r\n");
    fault.sources.Add(ini);
    std::unique_ptr<Mount> readOnly = Mount::ReadOnlyBind(ini, ini);
    ASSERT_TRUE(readOnly);
    Open();
    form->ThumbTopEdit->setText("changed_");
    WriteFile(Program("Temp/Note0.txt"), "note");
    form->close();
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(boxes.seen.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes.seen[0].title, "Albumon");
    EXPECT_EQ(boxes.seen[0].text.toStdString(), ini + " に書き込めません.");
    EXPECT_TRUE(LeftoverTemporaries(program.path()).empty());
    form.reset();
}

}  // namespace
}  // namespace albumon::test
