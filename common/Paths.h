// Path helpers on byte strings: file-name part, extension, folder part, ASCII lower case.
#pragma once

#include <string>
#include <string_view>

namespace albumon {

// Everything after the last "/" (the whole path when it has none).
std::string FileNamePart(std::string_view path);

// Everything up to and including the last "/" (empty when there is none).
std::string FolderPart(std::string_view path);

// The extension with its dot: from the last "." after the last "/"; empty when there is none.
std::string ExtensionOf(std::string_view path);

// The path with its extension replaced by ext (ext includes the dot; may be empty).
std::string ReplaceExtension(std::string_view path, std::string_view ext);

// ASCII letters A-Z turned to a-z; every other byte unchanged.
std::string AsciiLower(std::string_view text);

// The value of an ASCII hexadecimal digit (either letter case), or -1 for any other byte.
int HexDigitValue(char c);

// Leading and trailing spaces and control characters (bytes below 33) removed.
std::string TrimControls(std::string_view text);

// A folder path with exactly one trailing "/" (an empty path stays empty).
std::string WithTrailingSlash(std::string_view folder);

// The folder holding the running executable, with a trailing "/".
std::string ExecutableFolder();

// The full path of the running executable.
std::string ExecutablePath();

}  // namespace albumon
