// A source picture that vanishes or becomes unreadable between adding it and saving: deleted,
// replaced by a folder, by a link that leads nowhere, by a fifo nobody writes or by a link to an
// endless device, or covered by a file not even root may read. The save fails with a message naming
// that entry and writes nothing: the entries stay, the album already in the output folder stays
// byte for byte as it was, and once the source is back the save succeeds.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QListWidget>
#include <QPushButton>
#include <cerrno>
#include <filesystem>

#include "FaultFixture.h"
#include "FileSystem.h"

namespace albumon::test {
namespace {

enum class Vanish { Deleted, Folder, DanglingLink, Unreadable, Fifo, Device };

// A file that refuses reading even to root: a write-only kernel setting.
std::string UnreadableFile() {
    for (const char* path :
         {"/proc/sys/vm/compact_memory", "/sys/bus/pci/rescan", "/proc/sysrq-trigger"}) {
        if (::access(path, F_OK) != 0)
            continue;
        FileHandle probe(::open(path, O_RDONLY));
        if (!probe.valid() && errno == EACCES)
            return path;
    }
    return "";
}

class VanishedSourceTest : public FaultTest, public ::testing::WithParamInterface<Vanish> {
  protected:
    std::string Picture(int k) const { return data / ("in/p" + std::to_string(k) + ".jpg"); }
};

TEST_P(VanishedSourceTest, FailedSaveLeavesTheAlbumAndKeepsEverything) {
    FaultCase fault("source vanished before the save");
    const Watchdog watchdog(120);  // a fifo or device read as a picture would never end
    constexpr int kCount = 4;
    constexpr int kGone = 2;
    std::vector<std::string> pictures;
    for (int k = 0; k < kCount; ++k) {
        WriteJpeg(Picture(k), 160 + 16 * k, 120);
        WriteJpeg(data / ("old/p" + std::to_string(k) + ".jpg"), 40, 30);
        pictures.push_back(Picture(k));
        if (k != kGone)
            fault.sources.Add(Picture(k));
    }
    ChildRun old = Make({"-q", "-o", data / "out", data / "old/p0.jpg", data / "old/p1.jpg",
                         data / "old/p2.jpg", data / "old/p3.jpg"});
    ASSERT_EQ(old.status, 0) << old.err;
    const FolderSnapshot before = Snapshot(data / "out/無題.files");
    const std::vector<std::string> namesBefore = AlbumFiles(data / "out", "無題");
    const std::string oldIndex = ReadFile(data / "out/無題.htm");
    const std::string keep = ReadFile(Picture(kGone));

    Settings(data / "out", false);
    Open();
    Drop(Q(pictures));
    ASSERT_EQ(form->ListBoxIn->count(), kCount);
    const std::string gone = Picture(kGone);
    std::unique_ptr<Mount> cover;
    switch (GetParam()) {
        case Vanish::Deleted:
            ASSERT_EQ(::unlink(gone.c_str()), 0);
            break;
        case Vanish::Folder:
            ASSERT_EQ(::unlink(gone.c_str()), 0);
            ForceDirectories(gone);
            break;
        case Vanish::DanglingLink:
            ASSERT_EQ(::unlink(gone.c_str()), 0);
            ASSERT_EQ(::symlink((data / "nowhere.jpg").c_str(), gone.c_str()), 0);
            break;
        case Vanish::Fifo:
            ASSERT_EQ(::unlink(gone.c_str()), 0);
            ASSERT_EQ(::mkfifo(gone.c_str(), 0644), 0);
            break;
        case Vanish::Device:
            ASSERT_EQ(::unlink(gone.c_str()), 0);
            ASSERT_EQ(::symlink("/dev/zero", gone.c_str()), 0);
            break;
        case Vanish::Unreadable: {
            const std::string unreadable = UnreadableFile();
            ASSERT_FALSE(unreadable.empty()) << "no file here refuses reading to root";
            cover = Mount::Bind(unreadable, gone);
            ASSERT_TRUE(cover);
            break;
        }
    }
    Click(form->SaveBitBtn);
    ASSERT_EQ(boxes.seen.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes.seen[0].title, "Albumon");
    EXPECT_TRUE(boxes.seen[0].text.contains(QString::fromStdString(gone))) << BoxTexts();
    EXPECT_EQ(form->ListBoxIn->count(), kCount);
    EXPECT_EQ(AlbumFiles(data / "out", "無題"), namesBefore);
    EXPECT_TRUE(Snapshot(data / "out/無題.files") == before);
    EXPECT_EQ(ReadFile(data / "out/無題.htm"), oldIndex);
    EXPECT_TRUE(LeftoverTemporaries(data / "out/無題.files").empty());

    // The source back in place: the kept entries save.
    cover.reset();
    std::filesystem::remove_all(gone);
    WriteFile(gone, keep);
    Click(form->SaveBitBtn);
    EXPECT_EQ(boxes.seen.size(), 1u) << BoxTexts();
    for (int k = 0; k < kCount; ++k) {
        EXPECT_EQ(ReadFile(data / ("out/無題.files/無題00" + std::to_string(k + 1) + ".jpg")),
                  ReadFile(Picture(k)));
    }
}

std::string CaseName(const ::testing::TestParamInfo<Vanish>& info) {
    const char* names[] = {"Deleted", "Folder", "DanglingLink", "Unreadable", "Fifo", "Device"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Faults, VanishedSourceTest,
                         ::testing::Values(Vanish::Deleted, Vanish::Folder, Vanish::DanglingLink,
                                           Vanish::Unreadable, Vanish::Fifo, Vanish::Device),
                         CaseName);

}  // namespace
}  // namespace albumon::test
