// Path helpers and file copies.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "FileSystem.h"
#include "Paths.h"
#include "TestSupport.h"

namespace albumon {
namespace {

TEST(Paths, PartsAndExtensions) {
    EXPECT_EQ(FileNamePart("/a/b/旅行.JPG"), "旅行.JPG");
    EXPECT_EQ(FileNamePart("name"), "name");
    EXPECT_EQ(FolderPart("/a/b/c.jpg"), "/a/b/");
    EXPECT_EQ(ExtensionOf("/a.b/c"), "");
    EXPECT_EQ(ExtensionOf("/a/c.tar.JPEG"), ".JPEG");
    EXPECT_EQ(ExtensionOf("x:y.jpg"), ".jpg");
    EXPECT_EQ(ReplaceExtension("/a.b/c", ".htm"), "/a.b/c.htm");
    EXPECT_EQ(ReplaceExtension("/a/c.JPG", ".htm"), "/a/c.htm");
    EXPECT_EQ(AsciiLower("ÄBC日本"), "Äbc日本");
    EXPECT_EQ(TrimControls(" \t$_ \x01"), "$_");
    EXPECT_EQ(TrimControls("   "), "");
}

TEST(FileCopy, ReplacesTargetAndLeavesSelfCopyAlone) {
    test::TempDir dir;
    test::WriteFile(dir / "a.jpg", "new bytes");
    test::WriteFile(dir / "b.jpg", "old bytes that are longer");
    EXPECT_EQ(CopyFileReplacing(dir / "a.jpg", dir / "b.jpg"), 0);
    EXPECT_EQ(test::ReadFile(dir / "b.jpg"), "new bytes");
    EXPECT_EQ(CopyFileReplacing(dir / "a.jpg", dir / "a.jpg"), 0);
    EXPECT_EQ(test::ReadFile(dir / "a.jpg"), "new bytes");
    EXPECT_EQ(test::FolderNames(dir.path()), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

TEST(FileCopy, FailureLeavesNoTrace) {
    test::TempDir dir;
    test::WriteFile(dir / "a.jpg", "bytes");
    EXPECT_EQ(CopyFileReplacing(dir / "missing.jpg", dir / "t.jpg"), ENOENT);
    EXPECT_NE(CopyFileReplacing(dir / "a.jpg", dir / "nofolder/t.jpg"), 0);
    EXPECT_EQ(test::FolderNames(dir.path()), std::vector<std::string>{"a.jpg"});
}

TEST(Folders, ForceDirectoriesAndListing) {
    test::TempDir dir;
    ForceDirectories(dir / "x/y/z/");
    EXPECT_TRUE(DirectoryExists(dir / "x/y/z"));
    test::WriteFile(dir / "x/f.txt", "1");
    auto items = ListFolder(dir / "x");
    ASSERT_EQ(items.size(), 2u);
    int folders = 0;
    for (const auto& item : items)
        folders += item.isFolder ? 1 : 0;
    EXPECT_EQ(folders, 1);
    EXPECT_TRUE(ListFolder(dir / "nothing").empty());
}

}  // namespace
}  // namespace albumon
