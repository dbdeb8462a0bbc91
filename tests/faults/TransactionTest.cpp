// A save as a transaction, through albumon-make: the user's files that only look like the
// save's survive every re-save, a save that fails part way over an album leaves every file of it
// (its record included) as it was, and two saves of one album at once never mix.
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "FaultFixture.h"
#include "FileSystem.h"

namespace albumon::test {
namespace {

class TransactionTest : public FaultTest {
  protected:
    TransactionTest() {
        for (int k = 0; k < 5; ++k)
            WriteNoiseJpeg(Picture(k), 120, 90, 50 + k);
        WriteFile(data / "note.txt", "メモ\r\n");
    }

    std::string Picture(int k) const { return data / ("in/p" + std::to_string(k) + ".jpg"); }
    std::string Album() const { return data / "out/無題.files"; }

    // An album of the first count pictures, the second with a note, packed.
    ChildRun Save(int count, bool turn = false, bool replace = false) {
        std::vector<std::string> args{"-q", "--zip", "-o", data / "out"};
        if (replace)
            args.push_back("--replace");
        for (int k = 0; k < count; ++k) {
            args.push_back(Picture(k));
            if (k == 1)
                args.insert(args.end(), {"--note-below", data / "note.txt"});
            if (turn)
                args.insert(args.end(), {"--rotate", "1"});
        }
        return Make(args);
    }
};

TEST_F(TransactionTest, TheUsersLookAlikesSurviveEveryResave) {
    FaultCase fault("user's look-alike files, re-saved");
    ASSERT_EQ(Save(3).status, 0);
    // 無題001 has no note: a page of its name is the user's; so are names like the archiver's.
    for (const char* name : {"無題.files/無題001.htm", "無題.files/無題003.jpg.albumon-0a1b2c",
                             "無題.zip.backup", "無題.zip.old", "無題.zip.a1b2c3"}) {
        WriteFile(data / ("out/" + std::string(name)), std::string("the user's ") + name);
        fault.sources.Add(data / ("out/" + std::string(name)));
    }
    for (int count : {2, 4, 1}) {
        const ChildRun run = Save(count, count == 4);
        EXPECT_EQ(run.status, 0) << run.err;
    }
    EXPECT_TRUE(FileExists(Album() + "/無題001.jpg"));
}

TEST_F(TransactionTest, AFailedSaveOverAnAlbumLeavesItByteForByte) {
    // A folder where a picture goes, a read-only thumbnail, a note page that is a folder: each
    // found only once the new album is written.
    const std::vector<std::string> blockers{"/無題004.jpg", "/$_無題005.jpg", "/無題002.htm"};
    for (const std::string& blocker : blockers) {
        SCOPED_TRACE(blocker);
        std::filesystem::remove_all(data / "out");
        ASSERT_EQ(Save(3).status, 0);
        if (blocker == "/$_無題005.jpg") {
            WriteFile(Album() + blocker, "read-only");
            ::chmod((Album() + blocker).c_str(), 0444);
        } else {
            std::filesystem::remove(Album() + blocker);
            ForceDirectories(Album() + blocker);
        }
        const FolderSnapshot before = Snapshot(Album());
        const std::string index = ReadFile(data / "out/無題.htm");
        FaultCase fault("failed save over an album");
        fault.sources.AddFolder(Album());  // the record too
        fault.sources.Add(data / "out/無題.htm");
        fault.sources.Add(data / "out/無題.zip");
        // The read-only thumbnail is the user's: replaced only with --replace, and then found
        // read-only when the files are put in place.
        const ChildRun run = Save(5, true, true);
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.err.find(Album() + blocker), std::string::npos) << run.err;
        EXPECT_TRUE(Snapshot(Album()) == before);
        EXPECT_EQ(ReadFile(data / "out/無題.htm"), index);
        EXPECT_TRUE(LeftoverTemporaries(Album()).empty());
        EXPECT_TRUE(LeftoverTemporaries(data / "out").empty());
        ::chmod((Album() + blocker).c_str(), 0644);
    }
}

TEST_F(TransactionTest, TwoSavesOfOneAlbumAtOnceNeverMix) {
    FaultCase fault("two saves at once");
    for (int k = 0; k < 5; ++k)
        fault.sources.Add(Picture(k));
    const std::string make = ALBUMON_MAKE;
    const std::string both = "cd '" + data.path() + "'; for n in 2 5; do (TMPDIR=tmp '" + make +
                             "' -q --zip -o out in/p[0-$((n-1))].jpg 2>$n.err; echo $? >$n.status)"
                             " & done; wait";
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(std::system(both.c_str()), 0);
        int ok = 0;
        for (const char* n : {"2", "5"}) {
            const std::string status = ReadFile(data / (std::string(n) + ".status"));
            ok += status == "0\n";
            if (status != "0\n") {
                EXPECT_NE(ReadFile(data / (std::string(n) + ".err")).find(data / "out/無題.htm"),
                          std::string::npos);
            }
        }
        EXPECT_GE(ok, 1);
        // The album in place is one save's whole: two or five pictures, each its own source.
        const int count = FileExists(Album() + "/無題005.jpg") ? 5 : 2;
        EXPECT_EQ(Names(Album()).size(), 2u * count + 2) << round;
        for (int k = 0; k < count; ++k)
            EXPECT_EQ(ReadFile(Album() + "/無題00" + std::to_string(k + 1) + ".jpg"),
                      ReadFile(Picture(k)));
        EXPECT_EQ(ZipEntries(data / "out/無題.zip").size(), 2u * count + 3) << round;
    }
}

// Killed at every rename of a save over an album, the next save first finishes or undoes the
// killed one from the record: a next save that then fails leaves the old album or the new one,
// whole, with its record and its screen-size pictures, and nothing of either save's own.
TEST_F(TransactionTest, KilledAtEveryRenameTheNextSaveFinishesOrUndoes) {
    for (int k = 0; k < 5; ++k)  // large enough for the default template's card sizes
        WriteNoiseJpeg(Picture(k), 400, 300, 50 + k);
    ASSERT_EQ(Save(5, true).status, 0);
    const FolderSnapshot saved = Snapshot(Album());
    const std::string savedRecord = RecordWithoutTimes(ReadFile(Album() + "/" + kSaveRecord));
    std::filesystem::remove_all(data / "out");
    ASSERT_EQ(Save(3).status, 0);
    const FolderSnapshot old = Snapshot(Album());
    const std::string oldRecord = RecordWithoutTimes(ReadFile(Album() + "/" + kSaveRecord));
    ASSERT_TRUE(FileExists(Album() + "/albumon-sizes/無題003.320.jpg"));
    for (int at = 1;; ++at) {
        SCOPED_TRACE(at);
        FaultCase fault("killed at every rename");
        fault.sources.AddFolder(data / "in");
        ::setenv("LD_PRELOAD", KILL_AT_RENAME, 1);
        ::setenv("ALBUMON_KILL_AT_RENAME", std::to_string(at).c_str(), 1);
        const ChildRun killed = Save(5, true);
        ::unsetenv("LD_PRELOAD");
        ::unsetenv("ALBUMON_KILL_AT_RENAME");
        if (killed.signal != SIGKILL) {
            EXPECT_EQ(killed.status, 0) << killed.err;
            EXPECT_GT(at, 20);
            break;
        }
        // A folder where the next save's sixth picture goes makes it fail once it has dealt with
        // the killed one.
        ForceDirectories(Album() + "/無題006.jpg");
        std::vector<std::string> args{"-q", "-o", data / "out"};
        for (int k = 0; k < 5; ++k)
            args.push_back(Picture(k));
        args.push_back(Picture(0));
        const ChildRun next = Make(args);
        EXPECT_EQ(next.status, 1) << next.err;
        std::filesystem::remove(Album() + "/無題006.jpg");
        const FolderSnapshot now = Snapshot(Album());
        const std::string record = RecordWithoutTimes(ReadFile(Album() + "/" + kSaveRecord));
        EXPECT_TRUE((now == old && record == oldRecord) || (now == saved && record == savedRecord));
        EXPECT_EQ(LeftoverTemporaries(Album()), std::vector<std::string>{});
        EXPECT_EQ(LeftoverTemporaries(data / "out"), std::vector<std::string>{});
        // Back to the old album for the next kill.
        std::filesystem::remove_all(data / "out");
        ASSERT_EQ(Save(3).status, 0);
    }
}

}  // namespace
}  // namespace albumon::test
