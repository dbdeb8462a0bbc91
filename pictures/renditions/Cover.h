// The cover of an album's link preview: a photo centre-cropped to the wide shape the preview
// cards of messengers and social sites show, small enough for their crawlers, without metadata.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "pixels/Raster.h"

namespace albumon {

inline constexpr int kCoverWidth = 1200;
inline constexpr int kCoverHeight = 630;
// Most bytes a cover may take; the quality is lowered until it fits.
inline constexpr std::size_t kCoverMaxBytes = 300 * 1024;

// The part of a picture of width x height that a centre crop to the cover's shape keeps: its
// left, top, width and height.
struct CoverCrop {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
};
CoverCrop CoverCropOf(std::int32_t width, std::int32_t height);

// What shapes a cover's bytes beside its photo and turn, as text for the save's keys: its size,
// the qualities tried in turn and the most bytes it may take.
std::string CoverSettings();

// The upright 24-bit picture (in sRGB) scaled and cropped to kCoverWidth x kCoverHeight, as a
// JPEG of at most kCoverMaxBytes with no metadata beyond its JFIF marker.
std::string EncodeCover(Raster upright);

// The cover of a photo file (JPEG, HEIF, PNG or WebP by its content), shown as its orientation
// asks and turned by rotation (quarter turns clockwise); its colour profile, if any, is applied
// and left out. Nothing when the file cannot be read or decoded.
std::optional<std::string> MakeCover(const std::string& sourcePath, int rotation);

}  // namespace albumon
