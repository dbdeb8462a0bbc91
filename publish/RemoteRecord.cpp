// The remote record's text: a header line, then "digest size path" a line.
#include "RemoteRecord.h"

#include <charconv>

namespace albumon {

namespace {

constexpr const char* kHeader = "albumon published 1\n";

}  // namespace

std::string RemoteRecordPath(const std::string& head) {
    return head + ".files/.albumon.published";
}

std::string NextRecordPath(const std::string& head) {
    return RemoteRecordPath(head) + ".next";
}

std::string FormatRemoteRecord(const PublishedFiles& files) {
    std::string text = kHeader;
    for (const auto& [path, file] : files)
        text += file.digest + " " + std::to_string(file.size) + " " + path + "\n";
    return text;
}

std::optional<PublishedFiles> ParseRemoteRecord(const std::string& bytes) {
    if (bytes.rfind(kHeader, 0) != 0)
        return std::nullopt;
    PublishedFiles files;
    size_t start = std::string(kHeader).size();
    while (start < bytes.size()) {
        const size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            return std::nullopt;
        const std::string line = bytes.substr(start, end - start);
        start = end + 1;
        const size_t first = line.find(' ');
        const size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
        if (second == std::string::npos || first != 64 || second + 1 >= line.size())
            return std::nullopt;
        PublishedFile file{line.substr(0, first), 0};
        const char* sizeEnd = line.data() + second;
        if (std::from_chars(line.data() + first + 1, sizeEnd, file.size).ptr != sizeEnd)
            return std::nullopt;
        files[line.substr(second + 1)] = file;
    }
    return files;
}

}  // namespace albumon
