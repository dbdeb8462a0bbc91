// Encoding small pictures (thumbnails, screen sizes) so that their colour profile never
// outweighs the picture it describes.
#pragma once

#include <string>

#include "codecs/JpegCodec.h"
#include "pixels/Raster.h"

namespace albumon {

// The picture encoded with options.icc embedded when the profile is no larger than the rest of
// the file; otherwise its pixels converted to sRGB (left as they are when lcms2 cannot use the
// profile) and encoded without a profile.
std::string EncodeFittingProfile(const Raster& picture, EncodeOptions options);

}  // namespace albumon
