// The signatures of the picture formats: JPEG's start marker, PNG's signature, RIFF's WEBP form
// and the HEIF brands of an ISO "ftyp" box.
#include "metadata/PictureKind.h"

#include <array>
#include <string_view>

namespace albumon {

namespace {

bool StartsWith(const std::string& bytes, std::size_t at, std::string_view text) {
    return bytes.size() >= at + text.size() && bytes.compare(at, text.size(), text) == 0;
}

// The HEIF brands of the "ftyp" box's major brand and the first compatible ones.
bool IsHeif(const std::string& bytes) {
    if (!StartsWith(bytes, 4, "ftyp"))
        return false;
    static constexpr std::array<const char*, 8> kBrands = {"heic", "heix", "heim", "heis",
                                                           "hevc", "hevx", "mif1", "msf1"};
    for (std::size_t at = 8; at + 4 <= bytes.size() && at < 64; at += 4) {
        if (at == 12)
            continue;  // the minor version
        for (const char* brand : kBrands) {
            if (bytes.compare(at, 4, brand) == 0)
                return true;
        }
    }
    return false;
}

}  // namespace

PictureKind SniffPicture(const std::string& bytes) {
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xD8 &&
        static_cast<unsigned char>(bytes[2]) == 0xFF)
        return pkJpeg;
    if (StartsWith(bytes, 0, std::string_view("\x89PNG\r\n\x1a\n", 8)))
        return pkPng;
    if (StartsWith(bytes, 0, "RIFF") && StartsWith(bytes, 8, "WEBP"))
        return pkWebp;
    if (IsHeif(bytes))
        return pkHeif;
    return pkUnknown;
}

}  // namespace albumon
