// An earlier album's picture folder read back: the album's order and output names, its other
// files after them, notes as before; any other folder as a folder.
#include <unistd.h>

#include <algorithm>

#include "AlbumFixture.h"
#include "AlbumReadBack.h"
#include "OutputNames.h"

namespace albumon {
namespace {

using Lines = std::vector<std::string>;

class AlbumReadBackTest : public test::AlbumTest {
  protected:
    // An album "旅" whose index lists its pictures out of name order: a numbered name out of
    // its place, the album's own numbered names, a kept name and an escaped one; the folder
    // also holds thumbnails, a page with a note and a picture of the user's own.
    AlbumReadBackTest() {
        for (const char* name : {"旅001.jpg", "旅002.jpg", "旅009.jpg", "IMG_9.JPG", "a<b.jpg",
                                 "mine.jpg", "$_旅001.jpg", "$_IMG_9.JPG"})
            test::WriteFile(Folder() + "/" + name, name);
        test::WriteFile(
            Folder() + "/旅001.htm",
            "<!-- ALBUMON POSTNOTE BEGIN -->\r\nnote\r\n<!-- ALBUMON POSTNOTE END -->\r\n");
        test::WriteFile(
            dir / "out/旅.htm",
            "<script>\r\nFname[0]=\"旅009\";\r\nDocType[0]=0;\r\nFname[1]=\"旅001\";\r\n"
            "DocType[1]=1;\r\nFname[2]=\"IMG_9\";\r\nFname[3]=\"旅002\";\r\n"
            "Fname[4]=\"a\\x3Cb\";\r\nFname[5]=\"gone\";\r\n</script>\r\n");
    }
    std::string Folder() const { return dir / "out/旅.files"; }

    Lines Rows() const { return OutputListRows(state); }
};

TEST_F(AlbumReadBackTest, AlbumFolderComesBackInItsOrderAndNames) {
    EXPECT_EQ(AlbumPictureOrder(Folder(), "$_"),
              (Lines{"旅009.jpg", "旅001.jpg", "IMG_9.JPG", "旅002.jpg", "a<b.jpg"}));
    state.KeepNameDefault = false;
    naming.HeadText = "旅";
    for (FolderOrder order : {FolderOrder::ByName, FolderOrder::FileSystem}) {
        ClearAlbum(state);
        FolderAddition added = AddFolderOrAlbum(state, Folder(), order, naming);
        RefreshOutputNames(state, naming);
        EXPECT_TRUE(added.AlbumOrder);
        EXPECT_EQ(added.Added.Accepted, 6);
        EXPECT_EQ(added.Added.HeadText, std::optional<std::string>("旅"));
        EXPECT_EQ(Rows(), (Lines{"無:旅009.jpg", "下:旅001.jpg", "無:IMG_9.JPG", "無:旅002.jpg",
                                 "無:a<b.jpg", "無:旅003.jpg"}));
        // The album's numbered names stay numbered: moved, they are numbered again.
        EXPECT_EQ(state.Entries[0].NameMode, nmKeep);
        EXPECT_EQ(state.Entries[1].NameMode, nmAuto);
        EXPECT_EQ(state.Entries[3].NameMode, nmAuto);
        ReorderEntries(state, {0, 3, 2, 1});
        RefreshOutputNames(state, naming);
        EXPECT_EQ(state.Entries[1].OutName, "旅001.jpg");
        EXPECT_EQ(state.Entries[1].SourcePath, Folder() + "/旅002.jpg");
    }
}

TEST_F(AlbumReadBackTest, AnIndexPageOrAFolderHoldingOneAlbumStandsForIt) {
    test::WriteFile(dir / "plain/a.jpg", "a");
    const std::string out = dir / "out";
    const struct {
        std::string path;
        bool record, secondPage;
        std::optional<std::string> album;
    } cases[]{
        {Folder(), false, false, Folder()},
        {out + "/旅.htm", false, false, Folder()},
        {out + "/", false, false, std::nullopt},  // no record: a folder of pictures
        {out, true, false, Folder()},
        {out, true, true, std::nullopt},  // two pages: which album is meant is unclear
        {dir / "plain", true, false, std::nullopt},
        {dir / "plain/a.jpg", true, false, std::nullopt},
    };
    for (const auto& c : cases) {
        ::unlink((Folder() + "/" + kSaveRecordName).c_str());
        ::unlink((out + "/other.htm").c_str());
        if (c.record)
            test::WriteFile(Folder() + "/" + kSaveRecordName, "Albumon saved files 1\n");
        if (c.secondPage)
            test::WriteFile(out + "/other.htm", "<p>another page</p>\r\n");
        EXPECT_EQ(AlbumFolderOf(c.path), c.album) << c.path << c.record << c.secondPage;
    }
    // The output folder read as its one album: its pictures in the album's order, its head text.
    ClearAlbum(state);
    const FolderAddition added = AddFolderOrAlbum(state, out, FolderOrder::ByName, naming);
    EXPECT_TRUE(added.AlbumOrder);
    EXPECT_EQ(added.Added.HeadText, std::optional<std::string>("旅"));
    EXPECT_EQ(state.Entries[0].SourcePath, Folder() + "/旅009.jpg");
}

// A damaged album is read as far as it can be; each thing passed over is a warning naming its
// file, and no link is followed out of the album.
TEST_F(AlbumReadBackTest, WhatCannotBeReadIsNamedAndTheRestIsRead) {
    std::string index = test::ReadFile(dir / "out/旅.htm");
    index.insert(index.find("</script>"),
                 "Fname[6]=\"../../etc/passwd\";\r\nFname[7]=\"broken;\r\n");
    test::WriteFile(dir / "out/旅.htm", index);
    test::WriteFile(dir / "outside.jpg", "a file outside the album");
    ::unlink((Folder() + "/旅002.jpg").c_str());
    ASSERT_EQ(::symlink((dir / "outside.jpg").c_str(), (Folder() + "/旅002.jpg").c_str()), 0);
    test::WriteFile(Folder() + "/旅009.htm", "<!-- ALBUMON PRENOTE BEGIN -->\r\ncut off\r\n");
    naming.HeadText = "旅";
    const FolderAddition added =
        AddFolderOrAlbum(state, dir / "out/旅.htm", FolderOrder::ByName, naming);
    EXPECT_TRUE(added.AlbumOrder);
    EXPECT_EQ(added.Added.Accepted, 5);
    for (int k = 0; k < state.EntryCount; ++k)
        EXPECT_NE(state.Entries[k].SourcePath, Folder() + "/旅002.jpg");
    EXPECT_EQ(state.Entries[0].NotePos, npAbove);
    const std::vector<std::string>& warnings = added.Added.Warnings;
    const auto count = [&](const std::string& what) {
        return std::count_if(warnings.begin(), warnings.end(), [&](const std::string& warning) {
            return warning.find(what) != std::string::npos;
        });
    };
    EXPECT_EQ(count(dir / "out/旅.htm の 10 行目"), 1);  // ../../etc/passwd
    EXPECT_EQ(count(dir / "out/旅.htm の 11 行目"), 1);  // the broken line
    EXPECT_EQ(count("「gone」"), 1);
    EXPECT_EQ(count(Folder() + "/旅002.jpg"), 1);
    EXPECT_EQ(count(Folder() + "/旅009.htm"), 1);
    EXPECT_EQ(warnings.size(), 6u);  // the link's listed stem has no picture either
}

TEST_F(AlbumReadBackTest, OtherFoldersAreAddedAsBefore) {
    // No index beside the folder, a folder not named "<head>.files", an index without a list.
    test::WriteFile(dir / "plain/b.jpg", "b");
    test::WriteFile(dir / "plain/a.jpg", "a");
    test::WriteFile(dir / "plain.htm", "Fname[0]=\"b\";\r\n");
    test::WriteFile(dir / "x.files/b.jpg", "b");
    test::WriteFile(dir / "x.files/a.jpg", "a");
    test::WriteFile(dir / "x.htm", "<p>no list</p>\r\n");
    for (const std::string& folder : {dir / "plain", dir / "x.files", dir / "y.files"}) {
        ClearAlbum(state);
        test::WriteFile(dir / "y.files/b.jpg", "b");
        FolderAddition added = AddFolderOrAlbum(state, folder, FolderOrder::ByName, naming);
        EXPECT_FALSE(added.AlbumOrder) << folder;
        EXPECT_EQ(state.Entries[0].SourcePath,
                  folder + (folder == dir / "y.files" ? "/b.jpg" : "/a.jpg"));
    }
    // Pictures listed already are not listed twice.
    ClearAlbum(state);
    AddFolderOrAlbum(state, Folder(), FolderOrder::ByName, naming);
    FolderAddition again = AddFolderOrAlbum(state, Folder(), FolderOrder::ByName, naming);
    EXPECT_EQ(again.Added.Accepted, 0);
    EXPECT_EQ(state.EntryCount, 6);
}

}  // namespace
}  // namespace albumon
