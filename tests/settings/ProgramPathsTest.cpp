// Where the program keeps its settings, work folder, template and help: beside itself in a
// build, in the user's XDG folders when installed under a prefix.
#include <gtest/gtest.h>

#include "FileSystem.h"
#include "Paths.h"
#include "ProgramPaths.h"
#include "TestSupport.h"

namespace albumon {
namespace {

struct PlacesCase {
    const char* what;
    const char* exe;                   // below the test folder
    std::vector<const char*> folders;  // made below the test folder first
    UserFolders user;
    // The places expected; a leading "@" stands for the test folder.
    const char* settings;
    const char* work;
    const char* out;
    const char* templateFolder;
    const char* help;
    bool installed;
};

std::string At(const std::string& root, const std::string& text) {
    return text.rfind('@', 0) == 0 ? root + text.substr(1) : text;
}

TEST(ProgramPathsTest, BuildTreeKeepsEverythingBesideTheProgramInstalledUsesXdgFolders) {
    const PlacesCase cases[] = {
        {"build tree",
         "/build/bin/albumon",
         {"/build/bin/Def", "/build/bin/albumon_help"},
         {"/home/u", "", ""},
         "@/build/bin/albumon.INI",
         "@/build/bin/Temp",
         "@/build/bin/",
         "@/build/bin/Def/",
         "@/build/bin/albumon_help/",
         false},
        {"copied folder without data",
         "/copy/albumon",
         {},
         {"/home/u", "/x", "/y"},
         "@/copy/albumon.INI",
         "@/copy/Temp",
         "@/copy/",
         "@/copy/Def/",
         "@/copy/albumon_help/",
         false},
        {"installed, no XDG variables",
         "/usr/bin/albumon",
         {"/usr/share/albumon/Def"},
         {"/home/u", "", ""},
         "/home/u/.config/albumon/albumon.INI",
         "/home/u/.cache/albumon/Temp",
         "/home/u/",
         "@/usr/share/albumon/Def/",
         "@/usr/share/albumon/albumon_help/",
         true},
        {"installed, XDG variables",
         "/usr/bin/albumon",
         {"/usr/share/albumon"},
         {"/home/u", "/cfg/", "/tmp/c"},
         "/cfg/albumon/albumon.INI",
         "/tmp/c/albumon/Temp",
         "/home/u/",
         "@/usr/share/albumon/Def/",
         "@/usr/share/albumon/albumon_help/",
         true},
        {"installed, relative XDG variables are ignored",
         "/usr/bin/albumon",
         {"/usr/share/albumon"},
         {"/home/u/", "cfg", "cache"},
         "/home/u/.config/albumon/albumon.INI",
         "/home/u/.cache/albumon/Temp",
         "/home/u/",
         "@/usr/share/albumon/Def/",
         "@/usr/share/albumon/albumon_help/",
         true},
        {"installed, a template beside the program wins",
         "/opt/bin/albumon",
         {"/opt/share/albumon", "/opt/bin/Def"},
         {"/h", "", ""},
         "/h/.config/albumon/albumon.INI",
         "/h/.cache/albumon/Temp",
         "/h/",
         "@/opt/bin/Def/",
         "@/opt/share/albumon/albumon_help/",
         true},
    };
    for (const PlacesCase& c : cases) {
        test::TempDir dir;
        for (const char* folder : c.folders)
            ForceDirectories(dir.path() + folder);
        ProgramPaths paths = ProgramPaths::For(dir.path() + c.exe, c.user);
        EXPECT_EQ(paths.SettingsFile, At(dir.path(), c.settings)) << c.what;
        EXPECT_EQ(paths.WorkFolder, At(dir.path(), c.work)) << c.what;
        EXPECT_EQ(paths.OutFolder, At(dir.path(), c.out)) << c.what;
        EXPECT_EQ(paths.TemplateFolder, At(dir.path(), c.templateFolder)) << c.what;
        EXPECT_EQ(paths.HelpFolder, At(dir.path(), c.help)) << c.what;
        EXPECT_EQ(paths.Installed, c.installed) << c.what;
        EXPECT_EQ(paths.ExecutableFolder, dir.path() + FolderPart(c.exe)) << c.what;
    }
}

}  // namespace
}  // namespace albumon
