// kill -9 at random moments of a save with the archive on, its renames slowed so that the kills
// land inside the putting in place as well: every read afterwards sees the old album or the new
// one, whole, with its own archive. A plan, which may not write, says the album is incomplete
// while a killed save's staging is there; a read-back first finishes or undoes the killed save.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "FaultFixture.h"
#include "FileSystem.h"

namespace albumon::test {
namespace {

constexpr int kKills = 50;
constexpr const char* kSlowRename = "4000";  // microseconds before each rename

class KillAnywhereTest : public FaultTest {
  protected:
    KillAnywhereTest() {
        for (int k = 0; k < 5; ++k)
            WriteNoiseJpeg(Picture(k), 400, 300, 90 + k);
        WriteFile(data / "note.txt", "メモ\r\n");
    }

    std::string Picture(int k) const { return data / ("in/p" + std::to_string(k) + ".jpg"); }
    std::string Out(const std::string& name = "") const { return data / ("out/" + name); }

    // The save's command line: the first count pictures, the second with a note, the new album's
    // turned.
    std::vector<std::string> SaveArgs(int count) const {
        std::vector<std::string> args{"-q", "--zip", "-o", Out()};
        for (int k = 0; k < count; ++k) {
            args.push_back(Picture(k));
            if (k == 1)
                args.insert(args.end(), {"--note-below", data / "note.txt"});
            if (count == 5)
                args.insert(args.end(), {"--rotate", "1"});
        }
        return args;
    }

    // The save of count pictures, its renames slowed, ended with SIGKILL after seconds (never
    // when seconds is 0). Returns how long it ran.
    double SlowSave(int count, double seconds) {
        std::string command =
            "cd '" + data.path() +
            "' && LD_PRELOAD='" KILL_AT_RENAME "' ALBUMON_SLOW_RENAME_US=" + kSlowRename +
            " TMPDIR=tmp ";
        if (seconds > 0)
            command += "timeout -s KILL " + std::to_string(seconds) + " ";
        command += "'" ALBUMON_MAKE "'";
        for (const std::string& arg : SaveArgs(count))
            command += " '" + arg + "'";
        command += " >/dev/null 2>&1";
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        if (seconds == 0) {
            EXPECT_EQ(status, 0);
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    // The album in out: its folder's files, the index page and the archive's entries.
    struct Album {
        FolderSnapshot files;
        std::map<std::string, std::string> zip;
        bool operator==(const Album&) const = default;
    };
    Album Now() const {
        Album album{Snapshot(Out("無題.files")), ZipEntries(Out("無題.zip"))};
        album.files["../無題.htm"] = ReadFile(Out("無題.htm"));
        return album;
    }

    // Whether a killed save was putting its files in place: its staging holds the journal of
    // what it moved.
    bool KilledInsideTheCommit() const {
        for (const DirEntry& item : ListFolder(Out("無題.files/"))) {
            if (item.name.rfind(".albumon-save-", 0) == 0 &&
                FileExists(Out("無題.files/" + item.name + "/journal")))
                return true;
        }
        return false;
    }

    bool StagingLeft() const {
        for (const std::string& folder : {Out(), Out("無題.files/")}) {
            for (const DirEntry& item : ListFolder(folder))
                if (item.name.rfind(".albumon-save-", 0) == 0)
                    return true;
        }
        return false;
    }
};

TEST_F(KillAnywhereTest, EveryReaderSeesAWholeAlbumWithItsArchive) {
    ASSERT_EQ(Make(SaveArgs(5)).status, 0);
    const Album saved = Now();
    std::filesystem::remove_all(Out());
    ASSERT_EQ(Make(SaveArgs(3)).status, 0);
    const Album old = Now();
    const double whole = SlowSave(5, 0);
    std::mt19937 random(20261210);
    // A little past the measured end too: a save under load may take longer, and a kill after
    // the end must find the new album.
    std::uniform_real_distribution<double> moment(0.01, 1.3 * whole);
    int sawOld = 0, sawNew = 0, incomplete = 0, inCommit = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        std::filesystem::remove_all(Out());
        ASSERT_EQ(Make(SaveArgs(3)).status, 0);
        const double at = moment(random);
        SCOPED_TRACE(at);
        FaultCase fault("random kill -9, then read back");
        fault.sources.AddFolder(data / "in");
        SlowSave(5, at);
        // A plan may not write: it reads no album a killed save left half done.
        const bool staging = StagingLeft();
        inCommit += KilledInsideTheCommit() ? 1 : 0;
        const ChildRun plan = Make({"--plan", Out("無題.files")});
        if (staging) {
            ++incomplete;
            EXPECT_EQ(plan.status, 1) << plan.err;
            EXPECT_EQ(plan.out, "");
            EXPECT_NE(plan.err.find("保存の途中"), std::string::npos) << plan.err;
        }
        // A read-back (saved under another name) finishes or undoes the killed save first.
        std::filesystem::remove_all(data / "copy");
        const ChildRun copy = Make({"-q", "-o", data / "copy", "--head", "写", Out("無題.files")});
        EXPECT_EQ(copy.status, 0) << copy.err;
        const Album now = Now();
        EXPECT_TRUE(now == old || now == saved);
        const int pictures = now == saved ? 5 : 3;
        (now == saved ? sawNew : sawOld) += 1;
        EXPECT_TRUE(FileExists(data / ("copy/写.files/写00" + std::to_string(pictures) + ".jpg")));
        EXPECT_FALSE(
            FileExists(data / ("copy/写.files/写00" + std::to_string(pictures + 1) + ".jpg")));
        EXPECT_FALSE(StagingLeft());
        EXPECT_EQ(LeftoverTemporaries(Out()), std::vector<std::string>{});
    }
    // The moments spread over the save: some kills left the old album, some the new, some a
    // staging to finish or undo, some a commit half done.
    EXPECT_GT(sawOld, 0);
    EXPECT_GT(sawNew, 0);
    EXPECT_GT(incomplete, 0);
    EXPECT_GT(inCommit, 0);
    std::printf(
        "kills: %d in %.2f s, old album %d, new album %d, staging left %d, inside the "
        "commit %d\n",
        kKills, whole, sawOld, sawNew, incomplete, inCommit);
}

}  // namespace
}  // namespace albumon::test
