// The small pictures of the window's lists.
#include "renditions/ListThumbnail.h"

#include <algorithm>

#include "Errors.h"
#include "FileSystem.h"
#include "codecs/HeifAdapter.h"
#include "codecs/JpegCodec.h"
#include "codecs/JpegImage.h"
#include "codecs/PhotoFormats.h"
#include "metadata/PictureKind.h"
#include "pixels/Downscale.h"
#include "renditions/ConvertedPictures.h"

namespace albumon {

namespace {

// The smallest decode scale whose long side still reaches side (full size for a small picture).
JpegScale CoveringScale(const JpegHeader& header, int side) {
    const std::int64_t longSide = std::max(header.width, header.height);
    for (JpegScale scale : {jsEighth, jsQuarter, jsHalf}) {
        const std::int64_t divisor = std::int64_t{1} << scale;
        if ((longSide + divisor - 1) / divisor >= side)
            return scale;
    }
    return jsFullSize;
}

// The picture reduced so that its long side is at most side.
Raster FittedTo(Raster picture, int side) {
    picture = As24Bit(std::move(picture));
    const std::int32_t longSide = std::max(picture.Width(), picture.Height());
    if (longSide <= side)
        return picture;
    const auto scaled = [&](std::int32_t length) {
        return std::max<std::int32_t>(
            1, static_cast<std::int32_t>((std::int64_t{length} * side + longSide / 2) / longSide));
    };
    return Downscaled(picture, scaled(picture.Width()), scaled(picture.Height()));
}

}  // namespace

Raster ListThumbnailOf(const std::string& bytes, int side) {
    side = std::max(side, 1);
    switch (SniffPicture(bytes)) {
        case pkJpeg: {
            const JpegHeader header = ReadJpegHeader(bytes);
            DecodeOptions options;
            options.scale = CoveringScale(header, side);
            options.fast = true;
            return OrientedRaster(FittedTo(DecodeJpeg(bytes, options), side), header.orientation,
                                  0);
        }
        case pkHeif:
            return FittedTo(DecodeHeifPreview(bytes, side), side);
        default: {
            DecodedPicture picture = DecodePhoto(bytes);
            return OrientedRaster(FittedTo(std::move(picture.raster), side), picture.orientation,
                                  0);
        }
    }
}

Raster ListThumbnail(const std::string& path, int side) {
    std::string bytes;
    if (ReadWholeFile(path, bytes, kMaxPictureFileBytes) != 0)
        throw EFOpenError(path);
    return ListThumbnailOf(bytes, side);
}

}  // namespace albumon
