// The record Albumon keeps beside a published album on the server: each file it put there, with
// its digest and size, so that a later publish sends only what changed and removes only its own.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace albumon {

struct PublishedFile {
    std::string digest;  // SHA-256, hexadecimal
    std::uint64_t size = 0;
    bool operator==(const PublishedFile&) const = default;
};

// Path (from the destination folder) to what was published there.
using PublishedFiles = std::map<std::string, PublishedFile>;

// The record's path for the album head ("HEAD.files/.albumon.published"), and the path a
// publish writes the next record to before it places any file.
std::string RemoteRecordPath(const std::string& head);
std::string NextRecordPath(const std::string& head);

std::string FormatRemoteRecord(const PublishedFiles& files);
// Nothing when the bytes are not such a record.
std::optional<PublishedFiles> ParseRemoteRecord(const std::string& bytes);

}  // namespace albumon
