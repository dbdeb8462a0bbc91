// The body the fuzz targets of the HEIF, PNG and WebP adapters share: the adapter (kDecode, defined
// by the including file) on in-memory data, then the album's JPEG made from what it decoded
// (upright, profile and EXIF carried over) and a preview-size copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "pixels/GraphicErrors.h"
#include "renditions/ConvertedPictures.h"

namespace {

// Pictures beyond this size are left out: slow and memory-hungry, not interesting (the tests
// cover huge declared sizes).
constexpr std::int64_t kMaxFuzzPixels = std::int64_t{2048} * 2048;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::string bytes(reinterpret_cast<const char*>(data), size - 1);
    const int flags = data[size - 1];
    try {
        albumon::DecodedPicture picture = kDecode(bytes, kMaxFuzzPixels);
        albumon::PreviewRaster(picture.raster, 244);
        albumon::ConvertedJpeg(picture, flags % 4, 1 + flags % 100, flags & 4);
    } catch (const albumon::EInvalidGraphic&) {
        // an unreadable picture counts as no picture
    }
    return 0;
}
