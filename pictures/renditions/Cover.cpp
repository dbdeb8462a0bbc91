// The link-preview cover: one decode at the smallest scale that covers the crop, the crop, a
// filtered scale to the cover's size and encodes at falling quality until it fits.
#include "renditions/Cover.h"

#include <algorithm>
#include <cmath>

#include "FileSystem.h"
#include "codecs/DecodedPicture.h"
#include "codecs/JpegCodec.h"
#include "codecs/JpegImage.h"
#include "pixels/ColourProfiles.h"
#include "pixels/Downscale.h"
#include "pixels/GraphicErrors.h"
#include "pixels/Orientation.h"
#include "renditions/ConvertedPictures.h"
#include "renditions/ScreenSizes.h"

namespace albumon {

namespace {

// The qualities tried in turn; the first whose cover fits is kept.
constexpr int kCoverQualities[] = {85, 78, 70, 62, 54, 46, 38, 30, 22, 15, 10, 5};

Raster Cropped(const Raster& picture, const CoverCrop& crop) {
    Raster part(crop.width, crop.height, pf24bit);
    for (std::int32_t y = 0; y < crop.height; ++y) {
        const std::uint8_t* from = picture.Row(crop.top + y) + 3 * std::int64_t{crop.left};
        std::copy(from, from + 3 * std::int64_t{crop.width}, part.Row(y));
    }
    return part;
}

// The picture enlarged (or, along a side already large enough, reduced slightly) to width x
// height by bilinear sampling: a photo smaller than the cover.
Raster Resampled(const Raster& picture, std::int32_t width, std::int32_t height) {
    Raster result(width, height, pf24bit);
    const double sx = static_cast<double>(picture.Width()) / width;
    const double sy = static_cast<double>(picture.Height()) / height;
    for (std::int32_t y = 0; y < height; ++y) {
        const double fy = std::clamp((y + 0.5) * sy - 0.5, 0.0, picture.Height() - 1.0);
        const auto y0 = static_cast<std::int32_t>(fy);
        const std::int32_t y1 = std::min(y0 + 1, picture.Height() - 1);
        const double wy = fy - y0;
        std::uint8_t* out = result.Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            const double fx = std::clamp((x + 0.5) * sx - 0.5, 0.0, picture.Width() - 1.0);
            const auto x0 = static_cast<std::int32_t>(fx);
            const std::int32_t x1 = std::min(x0 + 1, picture.Width() - 1);
            const double wx = fx - x0;
            for (int c = 0; c < 3; ++c) {
                const double top =
                    picture.Row(y0)[3 * x0 + c] * (1 - wx) + picture.Row(y0)[3 * x1 + c] * wx;
                const double bottom =
                    picture.Row(y1)[3 * x0 + c] * (1 - wx) + picture.Row(y1)[3 * x1 + c] * wx;
                out[3 * x + c] =
                    static_cast<std::uint8_t>(std::lround(top * (1 - wy) + bottom * wy));
            }
        }
    }
    return result;
}

// A JPEG source decoded at the smallest scale whose crop still covers the cover, upright, in
// sRGB.
Raster UprightJpeg(const std::string& bytes, int rotation) {
    const JpegHeader header = ReadJpegHeader(bytes);
    const bool quarter = OrientationForTag(header.orientation)
                             .Then(rotation >= 0 && rotation <= 3 ? rotation : 0)
                             .Quarter();
    const CoverCrop crop = quarter ? CoverCropOf(header.height, header.width)
                                   : CoverCropOf(header.width, header.height);
    DecodeOptions options;
    options.eighths = std::max(CoveringEighths(crop.width, kCoverWidth),
                               CoveringEighths(crop.height, kCoverHeight));
    Raster picture = As24Bit(DecodeJpeg(bytes, options));
    if (!header.icc.empty())
        ConvertToSrgb(picture, header.icc);
    return OrientedRaster(picture, header.orientation, rotation);
}

Raster UprightConverted(const std::string& path, int rotation) {
    DecodedPicture picture = LoadPhotoFile(path);
    if (!picture.icc.empty())
        ConvertToSrgb(picture.raster, picture.icc);
    return OrientedRaster(picture.raster, picture.orientation, rotation);
}

}  // namespace

CoverCrop CoverCropOf(std::int32_t width, std::int32_t height) {
    const std::int64_t w = width, h = height;
    if (w * kCoverHeight > h * kCoverWidth) {  // wider than the cover: the sides go
        const auto cropWidth = static_cast<std::int32_t>(
            std::max<std::int64_t>((2 * h * kCoverWidth + kCoverHeight) / (2 * kCoverHeight), 1));
        return {(width - cropWidth) / 2, 0, cropWidth, height};
    }
    const auto cropHeight = static_cast<std::int32_t>(
        std::max<std::int64_t>((2 * w * kCoverHeight + kCoverWidth) / (2 * kCoverWidth), 1));
    return {0, (height - cropHeight) / 2, width, std::min(cropHeight, height)};
}

std::string CoverSettings() {
    std::string text = std::to_string(kCoverWidth) + "x" + std::to_string(kCoverHeight) + " q";
    for (int quality : kCoverQualities)
        text += std::to_string(quality) + ",";
    return text + " max " + std::to_string(kCoverMaxBytes);
}

std::string EncodeCover(Raster upright) {
    upright = As24Bit(std::move(upright));
    Raster crop = Cropped(upright, CoverCropOf(upright.Width(), upright.Height()));
    Raster cover = crop.Width() >= kCoverWidth && crop.Height() >= kCoverHeight
                       ? Downscaled(crop, kCoverWidth, kCoverHeight)
                       : Resampled(crop, kCoverWidth, kCoverHeight);
    std::string jpeg;
    for (int quality : kCoverQualities) {
        EncodeOptions options;
        options.quality = quality;
        jpeg = EncodeJpeg(cover, options);
        if (jpeg.size() <= kCoverMaxBytes)
            break;
    }
    return jpeg;
}

std::optional<std::string> MakeCover(const std::string& sourcePath, int rotation) {
    try {
        if (IsConvertedSource(sourcePath))
            return EncodeCover(UprightConverted(sourcePath, rotation));
        std::string bytes;
        if (ReadWholeFile(sourcePath, bytes, kMaxPictureFileBytes) != 0)
            return std::nullopt;
        return EncodeCover(UprightJpeg(bytes, rotation));
    } catch (const EInvalidGraphic&) {
        return std::nullopt;
    } catch (const EFOpenError&) {
        return std::nullopt;
    }
}

}  // namespace albumon
