// Decoded YCbCr planes (as a video decoder hands them out) turned into a raster's blue, green,
// red, so the picture needs no second full-size buffer on its way to the encoder.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pixels/Raster.h"

namespace albumon {

// Three 8-bit 4:2:0 planes: a chroma sample for every two by two luma samples.
struct YcbcrPlanes {
    const std::uint8_t* y = nullptr;
    std::ptrdiff_t yStride = 0;
    const std::uint8_t* cb = nullptr;
    std::ptrdiff_t cbStride = 0;
    const std::uint8_t* cr = nullptr;
    std::ptrdiff_t crStride = 0;
};

// How the planes code colour: the luma weights of red and blue, and whether the samples use the
// full 0..255 range or the video range (luma 16..235, chroma 16..240).
struct YcbcrMatrix {
    double kr = 0.299;
    double kb = 0.114;
    bool fullRange = true;
};

// Writes every pixel of the raster (24-bit, its size the luma plane's) from the planes, each
// chroma sample serving the four pixels it covers: a JPEG's own 4:2:0 and every reduction by
// two then average the very chroma samples the decoder made.
void YcbcrToRaster(const YcbcrPlanes& planes, const YcbcrMatrix& matrix, Raster& raster);

}  // namespace albumon
