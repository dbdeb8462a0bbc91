// A save that keeps most of an earlier save's files: killed at every rename it makes, a reader
// still sees the old album or the new one, whole, with its archive; and a kept file the user
// changes between the save's check and its putting in place is never lost.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "FaultFixture.h"
#include "FileSystem.h"
#include "OutputNames.h"
#include "SaveAlbum.h"
#include "renditions/PictureView.h"

namespace albumon::test {
namespace {

class IncrementalSaveFaultTest : public FaultTest {
  protected:
    IncrementalSaveFaultTest() {
        for (int k = 0; k < 4; ++k)
            WriteNoiseJpeg(Picture(k), 400, 300, 40 + k);
        WriteFile(data / "note.txt", "メモ\r\n");
    }

    std::string Picture(int k) const { return data / ("in/p" + std::to_string(k) + ".jpg"); }
    std::string Out(const std::string& name = "") const { return data / ("out/" + name); }

    // The save's command line: four pictures, the second with the note, the third turned.
    std::vector<std::string> SaveArgs() const {
        std::vector<std::string> args{"-q", "--zip", "-o", Out()};
        for (int k = 0; k < 4; ++k) {
            args.push_back(Picture(k));
            if (k == 1)
                args.insert(args.end(), {"--note-below", data / "note.txt"});
            if (k == 2)
                args.insert(args.end(), {"--rotate", "1"});
        }
        return args;
    }

    // The save killed at its rename number at (never when 0); its exit status (-1 killed).
    int KilledSave(int at) {
        std::string command =
            "cd '" + data.path() +
            "' && LD_PRELOAD='" KILL_AT_RENAME "' ALBUMON_KILL_AT_RENAME=" + std::to_string(at) +
            " TMPDIR=tmp '" ALBUMON_MAKE "'";
        for (const std::string& arg : SaveArgs())
            command += " '" + arg + "'";
        command += " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

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
};

TEST_F(IncrementalSaveFaultTest, KilledDuringAnIncrementalSave) {
    ASSERT_EQ(Make(SaveArgs()).status, 0);
    WriteFile(data / "note.txt", "メモ\r\n直した\r\n");
    ASSERT_EQ(Make(SaveArgs()).status, 0);
    const Album edited = Now();
    int renames = 0;
    for (int at = 1; at < 100; ++at) {
        SCOPED_TRACE(at);
        std::filesystem::remove_all(Out());
        WriteFile(data / "note.txt", "メモ\r\n");
        ASSERT_EQ(Make(SaveArgs()).status, 0);
        const Album old = Now();
        FaultCase fault("killed during an incremental save");
        fault.sources.AddFolder(data / "in");
        WriteFile(data / "note.txt", "メモ\r\n直した\r\n");
        const int status = KilledSave(at);
        // A read-back under another name finishes or undoes the killed save first.
        std::filesystem::remove_all(data / "copy");
        const ChildRun copy = Make({"-q", "-o", data / "copy", "--head", "写", Out("無題.files")});
        EXPECT_EQ(copy.status, 0) << copy.err;
        const Album now = Now();
        EXPECT_TRUE(now == old || now == edited);
        std::uint64_t lost = 0;
        for (const auto& [name, bytes] : old.files) {
            const auto& whole = now == old ? old : edited;
            if (whole.files.count(name) == 0 || now.files.count(name) == 0)
                lost += now == old ? bytes.size() : 0;
        }
        fault.Checked(old.files.size(), lost);
        if (status == 0) {
            renames = at;
            break;
        }
    }
    // The save ran to its end at last: every one of its renames was a moment of a kill.
    EXPECT_GT(renames, 2);
}

TEST_F(IncrementalSaveFaultTest, AKeptFileChangedBetweenTheCheckAndTheRename) {
    ASSERT_EQ(Make(SaveArgs()).status, 0);
    const std::string kept = Out("無題.files/無題001.jpg");
    // The window's save of the album albumon-make saved, with albumon-make's settings.
    AlbumState state;
    const auto fill = [&] {
        state.TemplatePath = ALBUMON_SOURCE_DIR "/Def/";
        state.TempPath = data / "tmp/work";
        ForceDirectories(state.TempPath);
        state.OutPath = Out();
        state.MakeZip = true;
        state.ThumbPrefix = "$_";
        state.ThumbSize = 64;
        state.JpegQuality = 50;
        state.ConvertQuality = 90;
        state.DisplaySize = 2048;
        state.StripLocation = true;
        state.LosslessTurns = false;
        for (int k = 0; k < 4; ++k)
            CreateEntry(state, k, Picture(k), k);
        state.EntryCount = 4;
        state.Entries[1].NotePos = npBelow;
        WriteFile(NoteFilePath(state, state.Entries[1]), "メモ\r\n");
        state.Entries[2].Rotation = 1;
        RefreshOutputNames(state, NamingBase{});
    };
    for (const bool replaced : {false, true}) {
        SCOPED_TRACE(replaced);
        FaultCase fault("a kept file changed between the check and the rename");
        fault.sources.AddFolder(data / "in");
        fill();
        SaveTally tally;
        SaveOptions unchanged;
        unchanged.Tally = &tally;
        PictureView view;
        SaveAlbum(state, view, "無題", nullptr, unchanged);
        ASSERT_EQ(tally.Decoded, 0);  // every file of it is kept
        fill();
        // The user's change comes when every file is staged, before they are put in place.
        const std::string before = ReadFile(kept);
        const Album album = Now();
        const std::string users = replaced ? "the user's own bytes" : before + "the user's";
        SaveOptions options;
        options.Cancelled = [&, asked = 0]() mutable {
            if (++asked == 6) {
                WriteFile(kept + ".tmp", users);
                if (replaced)
                    std::filesystem::rename(kept + ".tmp", kept);
                else
                    WriteFile(kept, users);
                std::filesystem::remove(kept + ".tmp");
            }
            return false;
        };
        EXPECT_THROW(SaveAlbum(state, view, "無題", nullptr, options), EForeignFiles);
        // The user's file is there as the user left it, and the album around it as it was.
        const std::string now = ReadFile(kept);
        EXPECT_EQ(now, users);
        Album after = Now();
        after.files.erase("無題001.jpg");
        Album earlier = album;
        earlier.files.erase("無題001.jpg");
        EXPECT_TRUE(after == earlier);
        fault.Checked(album.files.size(), now == users ? 0 : users.size());
        std::vector<std::string> args = SaveArgs();
        args.insert(args.begin(), "--replace");
        ASSERT_EQ(Make(args).status, 0);
    }
}

}  // namespace
}  // namespace albumon::test
