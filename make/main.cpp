// albumon-make: makes one album from the command line with the same save as the window.
#include <unistd.h>

#include <iostream>

#include "AlbumMake.h"
#include "MakeOptions.h"
#include "ProcessMemory.h"
#include "ProgramPaths.h"

int main(int argc, char** argv) {
    albumon::SetUpProcessMemory();
    std::vector<std::string> args(argv + 1, argv + argc);
    albumon::MakeOptions options;
    try {
        options = albumon::ParseMakeOptions(args);
    } catch (const albumon::UsageError& error) {
        std::cerr << "albumon-make: " << error.what() << "\n詳しくは albumon-make --help\n";
        return 2;
    }
    if (options.help) {
        std::cout << albumon::MakeUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "albumon-make " ALBUMON_VERSION "\n";
        return 0;
    }
    return albumon::RunMake(options, albumon::ProgramPaths::OfThisProgram().TemplateFolder,
                            std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
