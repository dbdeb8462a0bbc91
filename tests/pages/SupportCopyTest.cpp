// The copy of the template's support files into the album folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "Errors.h"
#include "TestSupport.h"
#include "W_html.h"

namespace albumon {
namespace {

using Names = std::vector<std::string>;

TEST(SupportCopy, SkipsTemplatesAndFolders) {
    test::TempDir dir;
    for (const char* name : {"DefPage.htm", "DEFNOTE.JPG", "style.css", "defpage.html",
                             "mydefnote.jpg", ".hidden.js", "ro.txt"}) {
        test::WriteFile(dir / "src/" + name, name);
    }
    ::chmod((dir / "src/ro.txt").c_str(), 0444);
    test::WriteFile(dir / "src/img/inner.png", "x");
    test::WriteFile(dir / "dst/style.css", "old");
    test::WriteFile(dir / "dst/other.jpg", "mine");
    CopySupportFiles(dir / "src/", dir / "dst/");
    EXPECT_EQ(test::FolderNames(dir / "dst"), (Names{".hidden.js", "defpage.html", "mydefnote.jpg",
                                                     "other.jpg", "ro.txt", "style.css"}));
    EXPECT_EQ(test::ReadFile(dir / "dst/style.css"), "style.css");
    EXPECT_EQ(test::ReadFile(dir / "dst/other.jpg"), "mine");
}

TEST(SupportCopy, MissingSourceCopiesNothing) {
    test::TempDir dir;
    test::WriteFile(dir / "dst/a", "a");
    EXPECT_NO_THROW(CopySupportFiles(dir / "none/", dir / "dst/"));
    EXPECT_EQ(test::FolderNames(dir / "dst"), Names{"a"});
}

TEST(SupportCopy, GoesOnPastAFailureThenReportsIt) {
    test::TempDir dir;
    test::WriteFile(dir / "src/a.css", "a");
    test::WriteFile(dir / "src/b.css", "b");
    test::WriteFile(dir / "dst/a.css/blocker", "");  // a folder where a.css should go
    try {
        CopySupportFiles(dir / "src/", dir / "dst/");
        FAIL() << "the failed copy went unreported";
    } catch (const EFCreateError& e) {
        EXPECT_NE(std::string(e.what()).find(dir / "dst/a.css"), std::string::npos);
    }
    EXPECT_EQ(test::ReadFile(dir / "dst/b.css"), "b");
}

}  // namespace
}  // namespace albumon
