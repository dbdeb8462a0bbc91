// Where Albumon keeps its settings, work folder, default template and help.
#include "ProgramPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "FileSystem.h"
#include "Paths.h"
#include "Rw_ini.h"

namespace albumon {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// An XDG base folder: the variable's value when it is an absolute path, else home + fallback.
std::string BaseFolder(const std::string& value, const std::string& home, const char* fallback) {
    if (!value.empty() && value.front() == '/')
        return WithTrailingSlash(value);
    return WithTrailingSlash(home) + fallback;
}

// name + "/" beside the program when that folder exists there, else in the shared data folder.
std::string DataFolder(const std::string& exeFolder, const std::string& shared, const char* name) {
    const std::string beside = exeFolder + name + "/";
    return DirectoryExists(beside) ? beside : shared + name + "/";
}

}  // namespace

UserFolders UserFolders::FromEnvironment() {
    std::string home = Environment("HOME");
    if (home.empty()) {
        // Started without HOME (by some service): the account's home folder.
        const passwd* account = ::getpwuid(::getuid());
        home = account && account->pw_dir ? account->pw_dir : "/";
    }
    return {home, Environment("XDG_CONFIG_HOME"), Environment("XDG_CACHE_HOME")};
}

ProgramPaths ProgramPaths::Beside(const std::string& exePath) {
    ProgramPaths paths;
    paths.ExecutableFolder = FolderPart(exePath);
    paths.SettingsFile = SettingsFilePath(exePath);
    paths.WorkFolder = paths.ExecutableFolder + "Temp";
    paths.OutFolder = paths.ExecutableFolder;
    paths.TemplateFolder = paths.ExecutableFolder + "Def/";
    paths.HelpFolder = paths.ExecutableFolder + "albumon_help/";
    return paths;
}

ProgramPaths ProgramPaths::For(const std::string& exePath, const UserFolders& user) {
    ProgramPaths paths = Beside(exePath);
    const std::string shared =
        std::filesystem::path(paths.ExecutableFolder + "../share/albumon/").lexically_normal();
    if (!DirectoryExists(shared))
        return paths;
    paths.Installed = true;
    const std::string config = BaseFolder(user.ConfigHome, user.Home, ".config/") + "albumon/";
    const std::string cache = BaseFolder(user.CacheHome, user.Home, ".cache/") + "albumon/";
    paths.SettingsFile = config + FileNamePart(SettingsFilePath(exePath));
    paths.WorkFolder = cache + "Temp";
    paths.OutFolder = WithTrailingSlash(user.Home);
    paths.TemplateFolder = DataFolder(paths.ExecutableFolder, shared, "Def");
    paths.HelpFolder = DataFolder(paths.ExecutableFolder, shared, "albumon_help");
    return paths;
}

ProgramPaths ProgramPaths::OfThisProgram() {
    return For(ExecutablePath(), UserFolders::FromEnvironment());
}

}  // namespace albumon
