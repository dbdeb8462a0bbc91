// Files a save did not write, in every place a save writes, through albumon-make: each is listed
// on standard error and the save exits 2 with nothing written, until --replace says to replace
// it; an album folder, index page or archive that is a symbolic link is refused even then; and
// reading an album back follows no link out of it.
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "FaultFixture.h"
#include "FileSystem.h"
#include "Paths.h"

namespace albumon::test {
namespace {

class ForeignFilesTest : public FaultTest {
  protected:
    ForeignFilesTest() {
        for (int k = 0; k < 4; ++k)  // large enough for a screen-size picture of 160
            WriteNoiseJpeg(Picture(k), 400, 300, 70 + k);
        WriteFile(data / "note.txt", "メモ\r\n");
        WriteFile(data / "elsewhere/keep.txt", "a folder the album folder leads to");
        WriteFile(data / "secret.jpg", "root:x:0:0:root:/root:/bin/bash\n");
    }

    std::string Picture(int k) const { return data / ("in/p" + std::to_string(k) + ".jpg"); }
    std::string Out(const std::string& name = "") const { return data / ("out/" + name); }

    // An album of the first count pictures, the second with a note, packed.
    ChildRun Save(int count, const std::vector<std::string>& more = {}) {
        std::vector<std::string> args{"-q", "--zip", "-o", Out()};
        args.insert(args.end(), more.begin(), more.end());
        for (int k = 0; k < count; ++k) {
            args.push_back(Picture(k));
            if (k == 1)
                args.insert(args.end(), {"--note-below", data / "note.txt"});
        }
        return Make(args);
    }
};

void Link(const std::string& target, const std::string& path) {
    ForceDirectories(FolderPart(path));
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0) << path;
}

TEST_F(ForeignFilesTest, EveryFileInTheWayThatIsNotTheAlbumsIsListedAndKept) {
    const struct Case {
        const char* what;
        bool earlierSave;    // an album saved by Albumon (with its record) is there first
        const char* file;    // below out/: the user's file, or a link
        const char* linkTo;  // the link's target below data/, or none
        bool replaceable;    // --replace replaces it
    } cases[]{
        {"a picture in a folder without record", false, "無題.files/無題001.jpg", nullptr, true},
        {"a picture copied in under the next name", true, "無題.files/無題004.jpg", nullptr, true},
        {"a thumbnail without record", false, "無題.files/$_無題002.jpg", nullptr, true},
        {"a note page without record", false, "無題.files/無題002.htm", nullptr, true},
        {"a support file's name", false, "無題.files/album.js", nullptr, true},
        {"a screen-size picture", false, "無題.files/albumon-sizes/無題001.160.jpg", nullptr, true},
        {"an album's picture edited since", true, "無題.files/無題003.jpg", nullptr, true},
        {"an index page that is no album", false, "無題.htm", nullptr, true},
        {"an archive that is no album's", false, "無題.zip", nullptr, true},
        {"an album folder that is a link", false, "無題.files", "elsewhere", false},
        {"an index page that is a link", true, "無題.htm", "secret.jpg", false},
        {"an archive that is a link", true, "無題.zip", "secret.jpg", false},
        {"a picture that is a link", true, "無題.files/無題001.jpg", "secret.jpg", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(Out());
        if (c.earlierSave) {
            ASSERT_EQ(Save(3).status, 0);
        }
        const std::string file = Out(c.file);
        if (c.linkTo) {
            std::filesystem::remove_all(file);
            Link(data / c.linkTo, file);
        } else if (std::string(c.what) == "an album's picture edited since") {
            WriteFile(file, ReadFile(file) + "edited");
        } else {
            WriteFile(file, std::string("the user's own ") + c.what);
        }
        ForceDirectories(Out());
        FaultCase fault("user's files where a save writes");
        fault.sources.AddFolder(Out());
        fault.sources.AddFolder(data / "elsewhere");
        fault.sources.Add(data / "secret.jpg");
        const FolderSnapshot before = Snapshot(Out());
        const ChildRun refused = Save(4);
        EXPECT_EQ(refused.status, 2) << refused.err;
        EXPECT_NE(refused.err.find(file), std::string::npos) << refused.err;
        EXPECT_TRUE(Snapshot(Out()) == before);
        EXPECT_TRUE(LeftoverTemporaries(Out()).empty());
        const ChildRun replaced = Save(4, {"--replace"});
        if (!c.replaceable) {
            EXPECT_EQ(replaced.status, 2) << replaced.err;
            EXPECT_TRUE(Snapshot(Out()) == before);
            continue;
        }
        EXPECT_EQ(replaced.status, 0) << replaced.err;
        EXPECT_TRUE(FileExists(Out("無題.files/無題004.jpg")));
        // The user said to replace it: it is no more a source to keep.
        fault.sources = SourceLedger();
        fault.sources.Add(data / "secret.jpg");
        EXPECT_EQ(ReadFile(data / "secret.jpg"), "root:x:0:0:root:/root:/bin/bash\n");
    }
}

// The zip holds exactly the album: a diary and a located photo lying in the album folder stay
// there and out of the archive.
TEST_F(ForeignFilesTest, TheArchiveHoldsOnlyTheAlbum) {
    FaultCase fault("user's files beside, with --zip");
    ASSERT_EQ(Save(2).status, 0);
    WriteFile(Out("無題.files/diary.txt"), "the user's diary");
    WriteNoiseJpeg(Out("無題.files/gps.jpg"), 40, 30, 9);
    fault.sources.Add(Out("無題.files/diary.txt"));
    fault.sources.Add(Out("無題.files/gps.jpg"));
    ASSERT_EQ(Save(3).status, 0);
    std::vector<std::string> album = AlbumFiles(Out(), "無題");
    std::erase_if(album, [](const std::string& name) {
        return name.ends_with("diary.txt") || name.ends_with("gps.jpg");
    });
    EXPECT_EQ(ZipNames(Out("無題.zip")), album);
}

// Read back, a picture of the album that is a link to a file outside is not followed: the new
// album holds none of that file, and the warning names the link.
TEST_F(ForeignFilesTest, ReadingBackFollowsNoLinkOutOfTheAlbum) {
    FaultCase fault("read-back, link out of album");
    fault.sources.Add(data / "secret.jpg");
    ASSERT_EQ(Save(3).status, 0);
    const std::string linked = Out("無題.files/無題002.jpg");
    std::filesystem::remove(linked);
    Link(data / "secret.jpg", linked);
    const ChildRun copy = Make({"-q", "-o", data / "copy", Out("無題.files")});
    EXPECT_EQ(copy.status, 0) << copy.err;
    EXPECT_NE(copy.err.find(linked), std::string::npos) << copy.err;
    for (const auto& [name, bytes] : Snapshot(data / "copy"))
        EXPECT_EQ(bytes.find("root:x:0:0"), std::string::npos) << name;
    // The other two pictures come back under their names; the link's name stays free.
    EXPECT_TRUE(FileExists(data / "copy/無題.files/無題001.jpg"));
    EXPECT_TRUE(FileExists(data / "copy/無題.files/無題003.jpg"));
    EXPECT_FALSE(FileExists(data / "copy/無題.files/無題002.jpg"));
}

}  // namespace
}  // namespace albumon::test
