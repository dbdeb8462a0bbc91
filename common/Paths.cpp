// Path helpers on byte strings.
#include "Paths.h"

#include <unistd.h>

#include <climits>
#include <vector>

namespace albumon {

std::string FileNamePart(std::string_view path) {
    auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string FolderPart(std::string_view path) {
    auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

static std::string_view::size_type ExtensionStart(std::string_view path) {
    auto dot = path.rfind('.');
    if (dot == std::string_view::npos)
        return path.size();
    auto slash = path.rfind('/');
    if (slash != std::string_view::npos && slash > dot)
        return path.size();
    return dot;
}

std::string ExtensionOf(std::string_view path) {
    return std::string(path.substr(ExtensionStart(path)));
}

std::string ReplaceExtension(std::string_view path, std::string_view ext) {
    std::string result(path.substr(0, ExtensionStart(path)));
    result += ext;
    return result;
}

std::string AsciiLower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string TrimControls(std::string_view text) {
    auto isBlank = [](char c) { return static_cast<unsigned char>(c) < 33; };
    std::size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string WithTrailingSlash(std::string_view folder) {
    std::string result(folder);
    if (!result.empty() && result.back() != '/')
        result += '/';
    return result;
}

std::string ExecutablePath() {
    std::vector<char> buffer(PATH_MAX + 1);
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return std::string();
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::string ExecutableFolder() {
    return FolderPart(ExecutablePath());
}

}  // namespace albumon
