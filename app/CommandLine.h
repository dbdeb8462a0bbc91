// The options of the window program that are answered on standard output without a display.
#pragma once

#include <optional>

namespace albumon {

// For --help or --version among the arguments: prints the answer and returns the exit status;
// nothing for a command line that opens the window.
std::optional<int> AnswerWithoutWindow(int argc, char** argv, const char* version);

}  // namespace albumon
