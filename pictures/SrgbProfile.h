// Colour profiles of small pictures: converting pixels to sRGB with lcms2, and embedding a
// profile in encoded JPEG data.
#pragma once

#include <string>

#include "Raster.h"

namespace albumon {

// Converts a 24-bit raster from the RGB profile icc to sRGB in place; false (pixels untouched)
// when the profile is no RGB profile lcms2 can use.
bool ConvertToSrgb(Raster& raster, const std::string& icc);

// The JPEG data with icc embedded as APP2 "ICC_PROFILE" segments after its first segment.
std::string WithIccProfile(const std::string& jpeg, const std::string& icc);

}  // namespace albumon
