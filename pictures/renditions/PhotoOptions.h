// The general page's choices for the output pictures of an album.
#pragma once

namespace albumon {

// Choices of the general page for output pictures.
struct PhotoOptions {
    bool LosslessTurns = false;  // turn on the coefficients where the size allows it
    bool StripLocation = false;  // no location data in any output picture
    int ConvertQuality = 90;     // quality of the JPEGs made from HEIF, PNG and WebP sources
};

}  // namespace albumon
