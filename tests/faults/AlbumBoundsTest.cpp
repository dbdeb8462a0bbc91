// The album folder and its archive hold exactly the album: entries removed from a re-saved
// album leave both (the user's own files stay), a killed save leaves nothing a later save packs,
// names leading out of the output folder and a read-only archive or index are refused before
// they are touched, and a save with no thread to spare still saves.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "FaultFixture.h"
#include "FileSystem.h"
#include "UpDownSpinBox.h"
#include "codecs/JpegCodec.h"

namespace albumon::test {
namespace {

class AlbumBoundsTest : public FaultTest {
  protected:
    std::string Picture(int k) const { return data / ("in/p" + std::to_string(k) + ".jpg"); }

    std::vector<std::string> Pictures(int count, FaultCase& fault, int width = 160) {
        std::vector<std::string> paths;
        for (int k = 0; k < count; ++k) {
            WriteNoiseJpeg(Picture(k), width, width * 3 / 4, 30 + k);
            fault.sources.Add(Picture(k));
            paths.push_back(Picture(k));
        }
        return paths;
    }

    std::vector<std::string> MakeArgs(const std::vector<std::string>& pictures, bool turn) const {
        std::vector<std::string> args{"-q", "--zip", "-o", data / "out"};
        for (const std::string& picture : pictures) {
            args.push_back(picture);
            if (turn)
                args.insert(args.end(), {"--rotate", "1"});
        }
        return args;
    }

    // The archive's entries are the index page and exactly the album folder's files.
    void ExpectArchiveMirrorsAlbum(const std::string& head = "無題") {
        EXPECT_EQ(ZipNames(data / ("out/" + head + ".zip")), AlbumFiles(data / "out", head));
    }

    // Files of the output folder or album folder whose names show an unfinished write.
    std::vector<std::string> Leftovers() {
        std::vector<std::string> found = LeftoverTemporaries(data / "out");
        for (const std::string& name : LeftoverTemporaries(data / "out/無題.files"))
            found.push_back(name);
        return found;
    }
};

TEST_F(AlbumBoundsTest, WindowResaveWithEntriesRemovedAndTheGeneralPageChanged) {
    FaultCase fault("re-save with entries removed");
    const std::vector<std::string> pictures = Pictures(4, fault);
    Settings(data / "out", true);
    Open();
    Drop(Q(pictures));
    Click(form->SaveBitBtn);
    ASSERT_TRUE(boxes.seen.empty()) << BoxTexts();
    WriteFile(data / "out/無題.files/mine.txt", "the user's own");
    EXPECT_EQ(ZipEntries(data / "out/無題.zip").size(), 11u);

    // Two of the four again, under the general page's new prefix, size and quality, one turned.
    Drop(Q({pictures[3], pictures[1]}));
    form->ThumbTopEdit->setText(" t_ ");
    form->UpDownTSize->setValue(40);
    form->UpDownCompress->setValue(30);
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    ClickRow(1);
    Click(form->RotRBitBtn);
    ClickRow(0);
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    Click(form->SaveBitBtn);
    ASSERT_TRUE(boxes.seen.empty()) << BoxTexts();
    EXPECT_EQ(FolderNames(data / "out/無題.files"),
              (std::vector<std::string>{"album.css", "album.js", "mine.txt", "t_無題001.jpg",
                                        "t_無題002.jpg", "無題001.jpg", "無題002.jpg"}));
    EXPECT_EQ(ReadFile(data / "out/無題.files/無題001.jpg"),
              ReadFile(pictures[1]));  // in name order
    const JpegHeader thumbnail = ReadJpegHeader(ReadFile(data / "out/無題.files/t_無題001.jpg"));
    EXPECT_EQ(std::max(thumbnail.width, thumbnail.height), 40);
    // The turned picture carries the quantiser of quality 30.
    EncodeOptions at30;
    at30.quality = 30;
    const std::string reference = EncodeJpeg(Raster(8, 8, pf24bit), at30);
    const std::string turned = ReadFile(data / "out/無題.files/無題002.jpg");
    EXPECT_EQ(turned.substr(turned.find("\xFF\xDB"), 69),
              reference.substr(reference.find("\xFF\xDB"), 69));
    ExpectArchiveMirrorsAlbum();
}

TEST_F(AlbumBoundsTest, WindowSaveWithTheArchiveSwitchedOff) {
    FaultCase fault("archive switched off");
    Settings(data / "out", false);
    Open();
    Drop(Q(Pictures(2, fault)));
    Click(form->SaveBitBtn);
    ASSERT_TRUE(boxes.seen.empty()) << BoxTexts();
    EXPECT_FALSE(form->CheckBoxComp->isChecked());
    EXPECT_EQ(FolderNames(data / "out"), (std::vector<std::string>{"無題.files", "無題.htm"}));
}

// The files below folder, in its subfolders too (a save's staging folder).
std::size_t FilesBelow(const std::string& folder) {
    std::error_code error;
    std::size_t count = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        count += it->is_regular_file(error);
    return count;
}

// Runs albumon-make and ends it with signal once its album folder holds files.
ChildRun KillMidSave(const std::vector<std::string>& args, const std::string& tmp,
                     const std::string& album, int signal) {
    ChildRun run;
    pid_t pid = ::fork();
    if (pid == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::close_range(3, ~0u, 0);
        std::string tmpdir = "TMPDIR=" + tmp;
        ::putenv(tmpdir.data());
        std::vector<std::string> argv{ALBUMON_MAKE};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> pointers;
        for (std::string& arg : argv)
            pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        ::execv(ALBUMON_MAKE, pointers.data());
        ::_exit(127);
    }
    for (int wait = 0; wait < 20000 && FilesBelow(album) < 12; ++wait) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return run;  // ended before it could be killed
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST_F(AlbumBoundsTest, KilledSavesLeaveNothingALaterSavePacks) {
    FaultCase fault("killed save, then saved again");
    const std::vector<std::string> args = MakeArgs(Pictures(40, fault, 640), true);
    for (int signal : {SIGTERM, SIGINT, SIGKILL}) {
        std::filesystem::remove_all(data / "out");
        ForceDirectories(data / "out/無題.files");
        ChildRun killed = KillMidSave(args, data / "tmp", data / "out/無題.files", signal);
        ASSERT_EQ(killed.signal, signal) << "the save ended before it was killed";
        // Asked to end, albumon-make takes its work folder with it.
        if (signal != SIGKILL) {
            EXPECT_TRUE(FolderNames(data / "tmp").empty()) << signal;
        }
    }
    // The next save clears what the killed ones left (their staging folders, by the record).
    ChildRun run = Make(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Leftovers().empty());
    // 40 pictures, their thumbnails, the style, the script and the screen sizes' folder.
    EXPECT_EQ(FolderNames(data / "out/無題.files").size(), 83u);
    ExpectArchiveMirrorsAlbum();
}

TEST_F(AlbumBoundsTest, NamesLeadingOutOfTheOutputFolder) {
    FaultCase fault("names leading out of the output");
    const std::vector<std::string> pictures = Pictures(2, fault);
    ForceDirectories(data / "out/deep");
    Settings(data / "out/deep", true);
    Open();
    Drop(Q(pictures));
    form->EditHedFix->setText("../escape");
    Click(form->SaveBitBtn);
    ASSERT_EQ(boxes.seen.size(), 1u) << BoxTexts();
    EXPECT_EQ(boxes.seen[0].title, "エラー");
    EXPECT_TRUE(boxes.seen[0].text.contains("../escape")) << BoxTexts();
    EXPECT_EQ(form->ListBoxIn->count(), 2);
    EXPECT_EQ(FolderNames(data / "out"), (std::vector<std::string>{"deep"}));
    EXPECT_TRUE(FolderNames(data / "out/deep").empty());

    std::vector<std::string> args = MakeArgs(pictures, false);
    args.insert(args.end(), {"--name", "../../../escape"});
    ChildRun run = Make(args);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find("../../../escape.jpg"), std::string::npos) << run.err;
    EXPECT_EQ(FolderNames(data / "out"), (std::vector<std::string>{"deep"}));
    EXPECT_EQ(FolderNames(data.path()), (std::vector<std::string>{"in", "out", "tmp"}));
}

TEST_F(AlbumBoundsTest, ReadOnlyArchiveAndIndexAreNotRewritten) {
    FaultCase fault("read-only archive or index");
    const std::vector<std::string> pictures = Pictures(3, fault);
    ChildRun first = Make(MakeArgs({pictures[0]}, false));
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string zip = data / "out/無題.zip";
    const std::string index = data / "out/無題.htm";
    const std::string oldZip = ReadFile(zip);
    const std::string oldIndex = ReadFile(index);

    ASSERT_EQ(::chmod(zip.c_str(), 0444), 0);
    Settings(data / "out", true);
    Open();
    Drop(Q(pictures));
    Click(form->SaveBitBtn);
    ASSERT_EQ(boxes.seen.size(), 1u) << BoxTexts();
    EXPECT_TRUE(boxes.seen[0].text.contains(QString::fromStdString(zip))) << BoxTexts();
    EXPECT_EQ(ReadFile(zip), oldZip);

    ASSERT_EQ(::chmod(index.c_str(), 0444), 0);
    const std::string album = ReadFile(index);
    ChildRun run = Make(MakeArgs(pictures, false));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "albumon-make: ファイルへのアクセスが拒否されました (" + index + ")\n");
    EXPECT_EQ(ReadFile(index), album);
    EXPECT_EQ(ReadFile(zip), oldZip);
    EXPECT_TRUE(Leftovers().empty());
    ::chmod(zip.c_str(), 0644);
    ::chmod(index.c_str(), 0644);
}

// Threads get stacks as large as the stack limit: with a 2 GiB limit in a 1.5 GiB address space
// none can start. The save goes on without them.
TEST_F(AlbumBoundsTest, AddressSpaceLeavesNoThreadToStart) {
    FaultCase fault("no thread can start");
    const std::vector<std::string> pictures = Pictures(5, fault);
    std::vector<std::string> args = MakeArgs(pictures, true);
    args[3] = data / "expected";
    ChildRun expected = Make(args);
    ASSERT_EQ(expected.status, 0) << expected.err;
    ChildRun run = Make(MakeArgs(pictures, true),
                        {{RLIMIT_STACK, rlim_t{2} << 30}, {RLIMIT_AS, rlim_t{3} << 29}});
    EXPECT_EQ(run.signal, 0);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Snapshot(data / "out/無題.files") == Snapshot(data / "expected/無題.files"));
    ExpectArchiveMirrorsAlbum();
}

}  // namespace
}  // namespace albumon::test
