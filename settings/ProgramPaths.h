// Where Albumon keeps its settings, its work folder, the default template and the help: beside
// the program in a build or a copied folder, in the user's XDG folders when it is installed.
#pragma once

#include <string>

namespace albumon {

// The environment values that choose the per-user folders.
struct UserFolders {
    std::string Home;        // $HOME, else the account's home folder
    std::string ConfigHome;  // $XDG_CONFIG_HOME; ignored unless absolute
    std::string CacheHome;   // $XDG_CACHE_HOME; ignored unless absolute
    // The values of this process's environment.
    static UserFolders FromEnvironment();
};

struct ProgramPaths {
    std::string ExecutableFolder;  // ends with "/"
    std::string SettingsFile;      // <name>.INI beside the program, or in ~/.config/albumon/
    std::string WorkFolder;        // the note files' folder, without a trailing "/"
    std::string OutFolder;         // the default output folder, ends with "/"
    std::string TemplateFolder;    // the default template, ends with "/"
    std::string HelpFolder;        // holds help.htm, ends with "/"
    bool Installed = false;        // the program lies in <prefix>/bin beside <prefix>/share/albumon

    // Everything beside the program (a build tree or a copied program folder).
    static ProgramPaths Beside(const std::string& exePath);
    // The places for the program at exePath. It counts as installed when the folder
    // <its folder>/../share/albumon exists; its settings and work folder then lie in the user's
    // folders, and the template and help are taken from share/albumon unless they lie beside it.
    static ProgramPaths For(const std::string& exePath, const UserFolders& user);
    // The places of the running program.
    static ProgramPaths OfThisProgram();
};

}  // namespace albumon
