// Tests of the settings file: defaults, value rules, layout, in-place update, failed writes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Errors.h"
#include "Rw_ini.h"
#include "TestSupport.h"

namespace albumon {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

SettingsValues Read(const std::string& ini) {
    SettingsValues values;
    values.WindowTop = values.WindowLeft = values.JpegQuality = values.ThumbSize = -999;
    values.WindowWidth = values.WindowHeight = -999;
    values.MakeZip = values.KeepNameDefault = values.LosslessTurns = values.StripLocation = true;
    values.WindowMaximized = true;
    values.InPath = values.OutPath = values.TemplatePath = values.ThumbPrefix = "junk";
    values.DisplaySize = -999;
    values.FileListIcons = true;
    ReadSettings(ini, {"/opt/albumon/", "/opt/albumon/Def/"}, values);
    return values;
}

SettingsValues Sample() {
    SettingsValues values;
    values.WindowTop = -20;
    values.WindowLeft = 1300;
    values.WindowWidth = 1600;
    values.WindowHeight = 1000;
    values.WindowMaximized = true;
    values.InPath = "/home/ユーザー/写真 2024";
    values.OutPath = "/home/ユーザー/album/";
    values.TemplatePath = "/srv/テンプレート/";
    values.JpegQuality = 85;
    values.MakeZip = true;
    values.ThumbPrefix = "t_";
    values.ThumbSize = 128;
    values.KeepNameDefault = true;
    values.LosslessTurns = true;
    values.DisplaySize = 3072;
    values.FileListIcons = true;
    return values;
}

void ExpectSame(const SettingsValues& a, const SettingsValues& b) {
    EXPECT_EQ(a.WindowTop, b.WindowTop);
    EXPECT_EQ(a.WindowLeft, b.WindowLeft);
    EXPECT_EQ(a.WindowWidth, b.WindowWidth);
    EXPECT_EQ(a.WindowHeight, b.WindowHeight);
    EXPECT_EQ(a.WindowMaximized, b.WindowMaximized);
    EXPECT_EQ(a.InPath, b.InPath);
    EXPECT_EQ(a.OutPath, b.OutPath);
    EXPECT_EQ(a.TemplatePath, b.TemplatePath);
    EXPECT_EQ(a.JpegQuality, b.JpegQuality);
    EXPECT_EQ(a.MakeZip, b.MakeZip);
    EXPECT_EQ(a.ThumbPrefix, b.ThumbPrefix);
    EXPECT_EQ(a.ThumbSize, b.ThumbSize);
    EXPECT_EQ(a.KeepNameDefault, b.KeepNameDefault);
    EXPECT_EQ(a.LosslessTurns, b.LosslessTurns);
    EXPECT_EQ(a.StripLocation, b.StripLocation);
    EXPECT_EQ(a.DisplaySize, b.DisplaySize);
    EXPECT_EQ(a.FileListIcons, b.FileListIcons);
}

TEST(RwIniTest, SettingsFileLiesBesideTheExecutable) {
    EXPECT_EQ(SettingsFilePath("/opt/albumon/albumon"), "/opt/albumon/albumon.INI");
    EXPECT_EQ(SettingsFilePath("/opt/a.b/album.exe"), "/opt/a.b/album.INI");
}

TEST(RwIniTest, MissingFileSectionsOrKeysGiveDefaults) {
    TempDir dir;
    SettingsValues expected;
    expected.OutPath = "/opt/albumon/";
    expected.TemplatePath = "/opt/albumon/Def/";
    WriteFile(dir / "other.INI", "[Pos]\r\nWidth=3\r\n[Misc]\r\nTop=1\r\n");
    ExpectSame(Read(dir / "other.INI"), expected);
    // A first start (no file yet) turns losslessly and strips locations; a file keeps its own.
    expected.LosslessTurns = expected.StripLocation = true;
    ExpectSame(Read(dir / "none.INI"), expected);
    WriteFile(dir / "old.INI", "[Option]\r\nLossless=0\r\n");
    EXPECT_FALSE(Read(dir / "old.INI").LosslessTurns);
    WriteFile(dir / "off.INI", "[Option]\r\nDisplay=0\r\n");
    EXPECT_EQ(Read(dir / "off.INI").DisplaySize, 0);
    // The window size an earlier version kept in [Size] is still read; [Option] wins over it.
    WriteFile(dir / "size.INI", "[Size]\r\nWidth=900\r\nHeight=700\r\n");
    EXPECT_EQ(Read(dir / "size.INI").WindowWidth, 900);
    EXPECT_EQ(Read(dir / "size.INI").WindowHeight, 700);
    WriteFile(dir / "both.INI", "[Size]\r\nWidth=900\r\n[Option]\r\nWidth=1000\r\n");
    EXPECT_EQ(Read(dir / "both.INI").WindowWidth, 1000);
}

TEST(RwIniTest, IntegerAndSwitchRules) {
    TempDir dir;
    WriteFile(dir / "a.INI",
              "[Thumb]\r\nSize=0x50\r\n[File]\r\nZip=2\r\nNameDef=-1\r\nComp=$20\r\n"
              "[Pos]\r\nTop=  -5\r\nLeft=500\r\n");
    SettingsValues values = Read(dir / "a.INI");
    EXPECT_EQ(values.ThumbSize, 80);
    EXPECT_TRUE(values.MakeZip);
    EXPECT_TRUE(values.KeepNameDefault);
    EXPECT_EQ(values.JpegQuality, 32);
    EXPECT_EQ(values.WindowTop, -5);
    EXPECT_EQ(values.WindowLeft, 500) << "values are not limited to the controls' ranges";

    for (const char* text : {"abc", "", "12x"}) {
        WriteFile(dir / "b.INI",
                  std::string("[Thumb]\r\nSize=") + text + "\r\n[File]\r\nZip=0\r\n");
        SettingsValues other = Read(dir / "b.INI");
        EXPECT_EQ(other.ThumbSize, 64) << text;
        EXPECT_FALSE(other.MakeZip);
    }
}

TEST(RwIniTest, EveryValueRoundTrips) {
    TempDir dir;
    SettingsValues values = Sample();
    WriteSettings(dir / "s.INI", values);
    ExpectSame(Read(dir / "s.INI"), values);

    values.InPath = " spaced folder ";
    values.ThumbPrefix = "\"q\"";
    values.MakeZip = false;
    values.KeepNameDefault = false;
    values.LosslessTurns = false;
    values.StripLocation = true;
    values.FileListIcons = false;
    values.WindowTop = -2147483647 - 1;
    WriteSettings(dir / "s.INI", values);
    ExpectSame(Read(dir / "s.INI"), values);
}

TEST(RwIniTest, FirstWriteLayout) {
    TempDir dir;
    WriteSettings(dir / "s.INI", Sample());
    EXPECT_EQ(
        ReadFile(dir / "s.INI"),
        "[Pos]\r\nTop=-20\r\nLeft=1300\r\n"
        "[File]\r\nIn=/home/ユーザー/写真 2024\r\nOut=/home/ユーザー/album/\r\n"
        "Def=/srv/テンプレート/\r\nComp=85\r\nZip=1\r\nNameDef=1\r\n"
        "[Thumb]\r\nHead=t_\r\nSize=128\r\n"
        "[Option]\r\nLossless=1\r\nNoGPS=0\r\nDisplay=3072\r\nConvertQuality=90\r\nIcons=1\r\n"
        "Width=1600\r\nHeight=1000\r\nMaximized=1\r\n");
}

TEST(RwIniTest, OtherSectionsKeysAndCommentsSurvive) {
    TempDir dir;
    WriteFile(dir / "s.INI",
              "; settings of my album maker\r\n[Window]\r\nState=max\r\n"
              "[file]\r\nout = /old/\r\nExtra=keep me\r\n\r\n[Thumb]\r\nSize=0x50\r\n");
    WriteSettings(dir / "s.INI", Sample());
    EXPECT_EQ(
        ReadFile(dir / "s.INI"),
        "; settings of my album maker\r\n[Window]\r\nState=max\r\n"
        "[file]\r\nOut=/home/ユーザー/album/\r\nExtra=keep me\r\n"
        "In=/home/ユーザー/写真 2024\r\nDef=/srv/テンプレート/\r\nComp=85\r\nZip=1\r\n"
        "NameDef=1\r\n\r\n[Thumb]\r\nSize=128\r\nHead=t_\r\n"
        "[Pos]\r\nTop=-20\r\nLeft=1300\r\n"
        "[Option]\r\nLossless=1\r\nNoGPS=0\r\nDisplay=3072\r\nConvertQuality=90\r\nIcons=1\r\n"
        "Width=1600\r\nHeight=1000\r\nMaximized=1\r\n");
    ExpectSame(Read(dir / "s.INI"), Sample());
}

const char kOld[] = "[Pos]\r\nTop=1\r\n; old file\r\n";

void ExpectCannotWrite(const std::string& ini) {
    try {
        WriteSettings(ini, Sample());
        ADD_FAILURE() << "writing " << ini << " did not fail";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), ini + " に書き込めません");
    }
}

TEST(RwIniTest, ReadOnlyFileIsLeftWhole) {
    TempDir dir;
    WriteFile(dir / "s.INI", kOld);
    ::chmod((dir / "s.INI").c_str(), 0444);
    ExpectCannotWrite(dir / "s.INI");
    EXPECT_EQ(ReadFile(dir / "s.INI"), kOld);
    EXPECT_EQ(test::FolderNames(dir.path()), std::vector<std::string>{"s.INI"});
}

TEST(RwIniTest, MissingFolderIsMadeButAFileOrFolderInTheWayFails) {
    TempDir dir;
    WriteSettings(dir / "config/albumon/s.INI", Sample());
    ExpectSame(Read(dir / "config/albumon/s.INI"), Sample());
    WriteFile(dir / "blocker", "a file where the settings folder should go");
    ExpectCannotWrite(dir / "blocker/s.INI");
    ::mkdir((dir / "s.INI").c_str(), 0755);
    ExpectCannotWrite(dir / "s.INI");
}

// A full disk, played by a file-size limit in a child process: the write fails part way.
TEST(RwIniTest, FullDiskLeavesOldFileWhole) {
    TempDir dir;
    std::string ini = dir / "s.INI";
    WriteFile(ini, kOld);
    SettingsValues values = Sample();
    values.InPath = std::string(2000, 'p');
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{512, 512};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            WriteSettings(ini, values);
        } catch (const Exception& e) {
            ::_exit(std::string(e.what()) == ini + " に書き込めません" ? 3 : 4);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(ReadFile(ini), kOld);
    EXPECT_EQ(test::FolderNames(dir.path()), std::vector<std::string>{"s.INI"});
}

// A settings file that is a link (to one shared by several copies of the program, say) stays a
// link: the file it leads to is written, also when that file is not there yet.
TEST(RwIniTest, LinkedSettingsFileIsWrittenThroughTheLink) {
    TempDir dir;
    ::symlink("shared/real.INI", (dir / "hop.INI").c_str());
    const struct {
        std::string link;    // what s.INI leads to
        std::string target;  // the file written
    } cases[] = {
        {dir / "shared/real.INI", dir / "shared/real.INI"},
        {"shared/real.INI", dir / "shared/real.INI"},
        {"hop.INI", dir / "shared/real.INI"},
        {"shared/new.INI", dir / "shared/new.INI"},
    };
    for (const auto& c : cases) {
        WriteFile(dir / "shared/real.INI", kOld);
        ::unlink((dir / "s.INI").c_str());
        ASSERT_EQ(::symlink(c.link.c_str(), (dir / "s.INI").c_str()), 0);
        WriteSettings(dir / "s.INI", Sample());
        struct stat st {};
        ASSERT_EQ(::lstat((dir / "s.INI").c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << c.link << ": the link was replaced";
        ExpectSame(Read(c.target), Sample());
        if (c.target == dir / "shared/real.INI") {
            EXPECT_NE(ReadFile(c.target).find("; old file\r\n"), std::string::npos);
        }
        ::unlink((dir / "shared/new.INI").c_str());
        EXPECT_EQ(test::FolderNames(dir / "shared"), std::vector<std::string>{"real.INI"});
    }
}

// A folder that may not be written holding a settings file that may: the file is written in
// place. Root passes over permission bits, so then the write runs as an ordinary user.
TEST(RwIniTest, WritableFileInAFolderThatIsNotIsWrittenInPlace) {
    TempDir dir;
    const std::string folder = dir / "locked";
    const std::string ini = folder + "/s.INI";
    // The value replaced is longer than the new one: the file must end where the new text does.
    const std::string old = "; kept\r\n[File]\r\nIn=" + std::string(2000, 'x') + "\r\n";
    WriteFile(ini, old);
    WriteFile(dir / "expected.INI", old);
    WriteSettings(dir / "expected.INI", Sample());
    const bool root = ::geteuid() == 0;
    const uid_t user = root ? 65534 : ::geteuid();
    const gid_t group = root ? 65534 : ::getegid();
    for (const std::string& path : {dir.path(), folder, ini})
        ASSERT_EQ(::chown(path.c_str(), user, group), 0);
    ::chmod(dir.path().c_str(), 0755);
    ::chmod(folder.c_str(), 0555);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root && (::setgid(group) != 0 || ::setuid(user) != 0))
            ::_exit(5);
        try {
            WriteSettings(ini, Sample());
        } catch (const Exception&) {
            ::_exit(3);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(folder.c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(ini), ReadFile(dir / "expected.INI"));
    ExpectSame(Read(ini), Sample());
    EXPECT_EQ(test::FolderNames(folder), std::vector<std::string>{"s.INI"});
}

}  // namespace
}  // namespace albumon
