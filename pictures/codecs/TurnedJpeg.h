// A JPEG turned by decoding it band by band into a new encode, for a picture whose whole
// raster would not fit beside the coefficients its decode keeps (a large progressive file).
#pragma once

#include <string>

#include "codecs/JpegCodec.h"
#include "pixels/Orientation.h"

namespace albumon {

// The JPEG data decoded and encoded again as orientation says (mirrored, then turned), with
// options' quality, EXIF and colour profile; at most a few bands of pixels are held at a time.
// Raises EJPEG or EInvalidGraphic as JpegBands does.
std::string TurnedByBands(const std::string& bytes, Orientation orientation,
                          const EncodeOptions& options);

}  // namespace albumon
