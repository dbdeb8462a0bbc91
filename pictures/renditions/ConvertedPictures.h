// Pictures that go into the album as JPEGs made from another format (HEIF, PNG, WebP): one decode
// serves the preview-size picture, the thumbnail, the output picture (encoded once at the
// conversion quality, upright, with the source's colour profile and EXIF) and the screen sizes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codecs/DecodedPicture.h"
#include "pixels/Raster.h"
#include "renditions/PhotoOptions.h"
#include "renditions/ScreenSizes.h"

namespace albumon {

// Whether a source is converted: its content is HEIF, PNG or WebP, or it bears one of their
// extensions and its content is no JPEG (an unreadable file so named included).
bool IsConvertedSource(const std::string& path);

// Reads and decodes a converted source. Raises EFOpenError when the file cannot be read and
// EInvalidGraphic (with the file named) when it cannot be decoded.
DecodedPicture LoadPhotoFile(const std::string& path);

// How many sources LoadPhotoFile has read and handed to a decoder in this process, from any
// thread: a save shows by it that one decode served all of an entry's pictures.
std::uint64_t PhotoFileDecodes();

// The picture reduced by averaging to the size the preview of a panelSize panel needs (halved
// while its long side stays at least twice the fitted side, as a JPEG's scaled decode would be).
Raster PreviewRaster(const Raster& full, int panelSize);

// The picture shown as its orientation and then rotation (quarter turns clockwise) ask.
Raster OrientedRaster(const Raster& raster, int orientationTag, int rotation);

// The JPEG the album holds for a decoded picture: turned upright and by rotation, encoded once at
// quality, with its colour profile and its EXIF (orientation 1, location removed on request).
// Mirrors picture.raster in place when its orientation asks for a mirror.
std::string ConvertedJpeg(DecodedPicture& picture, int rotation, int quality, bool stripLocation);

// The "no preview" picture a source that cannot be decoded gets in place of its output picture.
std::string PlaceholderJpeg();

// The "no preview" thumbnail of thumbSize pixels a side that goes with PlaceholderJpeg, turned
// by rotation.
std::string PlaceholderThumbnail(int rotation, int thumbSize);

// An entry's files for a converted source.
struct ConvertedEntry {
    std::optional<std::string> thumbnail;  // set unless no thumbnail was asked for
    std::string picture;
    ScreenSizes screens;     // the screen-size pictures asked for, upright; none when undecodable
    bool noPreview = false;  // could not be decoded: both files are the placeholders
};

// Decodes a converted source once and makes its thumbnail (from its preview-size picture, at
// thumbSize, kThumbnailQuality), its output picture and, from the same full-size decode, its
// screen-size pictures of screenSides (see ScreenSizesOf). Raises EFOpenError when it cannot be
// read.
ConvertedEntry MakeConvertedEntry(const std::string& path, int rotation, int panelWidth,
                                  int thumbSize, const PhotoOptions& photo,
                                  const std::vector<int>& screenSides = {});

}  // namespace albumon
