// A small picture's colour profile kept while it weighs no more than the picture, else the
// pixels converted to sRGB.
#include "renditions/ProfileFit.h"

#include "pixels/ColourProfiles.h"
#include "pixels/Downscale.h"

namespace albumon {

std::string EncodeFittingProfile(const Raster& picture, EncodeOptions options) {
    std::string bytes = EncodeJpeg(picture, options);
    const std::string icc = std::move(options.icc);
    // The encoder writes the profile in APP2 segments of at most 65519 bytes, each with 18
    // bytes of its own: what is left is the picture.
    const std::size_t segments = (icc.size() + 65518) / 65519;
    if (icc.size() <= bytes.size() - icc.size() - 18 * segments)
        return bytes;
    options.icc.clear();
    Raster converted = As24Bit(picture);
    if (!ConvertToSrgb(converted, icc))
        return EncodeJpeg(picture, options);
    return EncodeJpeg(converted, options);
}

}  // namespace albumon
