// Filtered downscaling: every target pixel is the area-weighted mean of the source pixels it
// covers, so fine detail averages out instead of aliasing as it does with nearest-pixel sampling.
#pragma once

#include <cstdint>

#include "pixels/Raster.h"

namespace albumon {

// The raster in 24 bits: an 8-bit one through its palette, a 24-bit one as it is.
Raster As24Bit(Raster source);

// The 24-bit source scaled to width x height (each at most the source's, at least 1) by area
// averaging.
Raster Downscaled(const Raster& source, std::int32_t width, std::int32_t height);

}  // namespace albumon
