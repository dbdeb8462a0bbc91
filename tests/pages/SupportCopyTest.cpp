// The copy of the template's support files into the album folder: what is copied, what is
// passed over, and what is reported.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "Errors.h"
#include "FileSystem.h"
#include "TestSupport.h"
#include "W_html.h"

namespace albumon {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

bool MakeSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const bool made = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return made;
}

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
    const SupportCopy copy = CopySupportFiles(dir / "src/", dir / "dst/");
    ASSERT_EQ(copy.leftOut.size(), 1u);
    EXPECT_EQ(copy.leftOut[0].path, dir / "src/a.css");
    EXPECT_EQ(copy.copied, Names{"b.css"});
    EXPECT_EQ(test::ReadFile(dir / "dst/b.css"), "b");
}

// Only regular files reach the album. A link is followed only to a file inside the template
// folder; a link leading elsewhere (a private file), a dangling one, a fifo, socket or device is
// left out and reported with why, and the rest are copied.
TEST(SupportCopy, LinksLeavingTheTemplateAndSpecialFilesAreNotCopied) {
    test::TempDir dir;
    const test::Watchdog watchdog(30);
    const std::string src = dir / "tpl/Def.files/";
    test::WriteFile(dir / "private/secret.txt", "secret");
    test::WriteFile(dir / "tpl/shared.css", "shared");
    test::WriteFile(src + "style.css", "style");
    test::WriteFile(src + "img/a.png", "png");
    fs::create_symlink("../shared.css", src + "up.css");
    fs::create_symlink("style.css", src + "same.css");
    fs::create_symlink(dir / "tpl/shared.css", src + "absolute.css");
    fs::create_symlink("img", src + "folder");  // a link to a folder is passed over like one
    const Names copied{"absolute.css", "same.css", "style.css", "up.css"};
    using Make = std::function<bool(const std::string&)>;
    auto link = [](const std::string& target) -> Make {
        return [target](const std::string& path) {
            return ::symlink(target.c_str(), path.c_str()) == 0;
        };
    };
    const struct {
        std::string name;
        Make make;
    } refused[] = {
        {"secret.txt", link(dir / "private/secret.txt")},
        {"escape.txt", link("../../private/secret.txt")},
        {"dangling.css", link("none.css")},
        {"zero.jpg", link("/dev/zero")},
        {"fifo.css", [](const std::string& path) { return ::mkfifo(path.c_str(), 0644) == 0; }},
        {"socket.css", MakeSocket},
        {"device.css",
         [](const std::string& path) {
             return ::mknod(path.c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0;  // /dev/zero
         }},
    };
    for (const auto& item : refused) {
        ASSERT_TRUE(item.make(src + item.name)) << item.name << ": " << std::strerror(errno);
        const std::string dst = dir / ("dst-" + item.name + "/");
        ForceDirectories(dst);
        const SupportCopy copy = CopySupportFiles(src, dst);
        ASSERT_EQ(copy.leftOut.size(), 1u) << item.name;
        EXPECT_EQ(copy.leftOut[0].path, src + item.name);
        EXPECT_FALSE(copy.leftOut[0].why.empty());
        EXPECT_EQ(test::FolderNames(dst), copied) << item.name;
        EXPECT_EQ(test::ReadFile(dst + "up.css"), "shared");
        EXPECT_EQ(test::ReadFile(dst + "same.css"), "style");
        ::unlink((src + item.name).c_str());
    }
}

// The support folder may be a link to a folder of the template, never to one elsewhere.
TEST(SupportCopy, LinkedSupportFolderMustStayInTheTemplate) {
    test::TempDir dir;
    test::WriteFile(dir / "tpl/shared/style.css", "style");
    test::WriteFile(dir / "home/id_rsa", "private key");
    ForceDirectories(dir / "dst");
    const struct {
        std::string target;
        Names copied;
    } cases[] = {
        {"shared", {"style.css"}},
        {dir / "tpl/shared", {"style.css"}},
        {dir / "home", {}},
        {"../home", {}},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(dir / "tpl/Def.files");
        std::filesystem::remove_all(dir / "dst");
        ForceDirectories(dir / "dst");
        ASSERT_EQ(::symlink(c.target.c_str(), (dir / "tpl/Def.files").c_str()), 0);
        const SupportCopy copy = CopySupportFiles(dir / "tpl/Def.files/", dir / "dst/");
        EXPECT_EQ(copy.leftOut.size(), c.copied.empty() ? 1u : 0u) << c.target;
        EXPECT_EQ(test::FolderNames(dir / "dst"), c.copied) << c.target;
    }
}

}  // namespace
}  // namespace albumon
