// What shapes the bytes of each file a save makes of an entry, as a short key the save record
// keeps beside the file: a later save whose key for that file is the same may keep the file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "EntryJob.h"

namespace albumon {

// The version of the picture pipeline: raise it with every change to an encoder's settings or to
// an algorithm that changes the bytes of a thumbnail, an output picture or a screen-size picture
// (a test keeps reference digests of its outputs and fails when they change while it does not).
inline constexpr int kPicturePipelineVersion = 1;

// A 64-bit digest of bytes (FNV-1a), as 16 hexadecimal digits.
std::string Digest(std::string_view bytes);

// The keys of an entry's files: its thumbnail, its output picture and each screen-size picture.
// Each holds the source's identity (path, size, modification time in ns, file number), the turn,
// the options that shape that file, the codec libraries' versions and the pipeline's version.
class EntryKeys {
  public:
    // Nothing when the source cannot be looked at (the entry is then made again).
    static std::optional<EntryKeys> Of(const EntryJob& job);

    const std::string& Thumbnail() const { return thumbnail_; }
    const std::string& Picture() const { return picture_; }
    std::string Screen(int side) const;

  private:
    std::string thumbnail_;
    std::string picture_;
    std::string screenBase_;
};

// The key of a link-preview cover made of the photo at sourcePath turned by rotation: the
// source's identity and turn as the entries' keys take them, the cover's settings, the codec
// libraries' and the pipeline's versions. Nothing when the source cannot be looked at.
std::optional<std::string> CoverKey(const std::string& sourcePath, int rotation);

// The codec libraries' versions as the save's keys take them.
std::string CodecVersions();

}  // namespace albumon
