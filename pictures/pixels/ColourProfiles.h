// Colour profiles with lcms2: made from a colour description that comes without one (primaries,
// white point and a transfer curve: HEIF nclx, PNG cHRM/gAMA/sRGB), and pixels converted from a
// profile to sRGB.
#pragma once

#include <string>

#include "pixels/Raster.h"

namespace albumon {

// The CIE xy chromaticities of the three primaries and the white point.
struct Chromaticities {
    double redX = 0.64, redY = 0.33;
    double greenX = 0.30, greenY = 0.60;
    double blueX = 0.15, blueY = 0.06;
    double whiteX = 0.3127, whiteY = 0.3290;
};

// How coded values become light.
enum TransferKind {
    tkSrgb,   // the sRGB curve
    tkVideo,  // BT.709 / BT.601 / BT.2020 (gamma 1/0.45 with a linear toe)
    tkGamma,  // a plain power curve
};

struct TransferCurve {
    TransferKind kind = tkSrgb;
    double gamma = 2.2;  // for tkGamma: the exponent from coded value to light
};

// An RGB display profile of those primaries and curve, as ICC bytes; empty if lcms2 fails.
std::string MakeRgbProfile(const Chromaticities& primaries, const TransferCurve& curve);

// The sRGB profile lcms2 builds in.
std::string SrgbProfile();

// Converts a 24-bit raster from the RGB profile icc to sRGB in place; false (pixels untouched)
// when the profile is no RGB profile lcms2 can use.
bool ConvertToSrgb(Raster& raster, const std::string& icc);

}  // namespace albumon
