// The options of the window program that are answered on standard output without a display.
#include "CommandLine.h"

#include <cstdio>
#include <cstring>

namespace albumon {

namespace {

constexpr const char* kHelp =
    "Usage: albumon [OPTION]... [FILE|FOLDER]...\n"
    "Opens Albumon's window, the HTML photo album maker, with the photo files (JPEG,\n"
    "HEIC/HEIF, PNG, WebP) and folders named (a folder's pictures in name order; an\n"
    "earlier album's HEAD.files folder is opened again with its head text and notes).\n"
    "\n"
    "  -h, --help          this text\n"
    "  --version           the version\n";

}  // namespace

std::optional<int> AnswerWithoutWindow(int argc, char** argv, const char* version) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("albumon %s\n", version);
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace albumon
