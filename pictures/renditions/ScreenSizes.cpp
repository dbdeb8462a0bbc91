// Card thumbnails and display copies from one scaled decode: the decode is mirrored where the
// orientation asks, reduced step by step from the largest size to the smallest, and each size is
// encoded turned upright.
#include "renditions/ScreenSizes.h"

#include <algorithm>
#include <cmath>

#include "pixels/ColourProfiles.h"
#include "pixels/Downscale.h"
#include "pixels/GraphicErrors.h"
#include "pixels/Orientation.h"
#include "pixels/RasterTurns.h"
#include "renditions/ProfileFit.h"

namespace albumon {

std::vector<int> ScreenSides(int displaySide) {
    std::vector<int> sides{kCardSide, 2 * kCardSide, 3 * kCardSide};
    if (displaySide > 0) {
        sides.push_back(kPhoneDisplaySide);
        sides.push_back(displaySide);
    }
    std::sort(sides.begin(), sides.end());
    sides.erase(std::unique(sides.begin(), sides.end()), sides.end());
    return sides;
}

std::pair<std::int32_t, std::int32_t> ScaledToSide(std::int32_t width, std::int32_t height,
                                                   int side) {
    const std::int64_t w = std::max(width, 1), h = std::max(height, 1), s = side;
    auto shortSide = [&](std::int64_t shorter, std::int64_t longer) {
        return static_cast<std::int32_t>(
            std::max<std::int64_t>((2 * shorter * s + longer) / (2 * longer), 1));
    };
    if (w >= h)
        return {side, shortSide(h, w)};
    return {shortSide(w, h), side};
}

int CoveringEighths(std::int64_t longSide, int side) {
    for (int n = 1; n < 8; ++n) {
        if ((longSide * n + 7) / 8 >= side)
            return n;
    }
    return 8;
}

namespace {

Orientation ScreenOrientation(const JpegHeader& header, int rotation) {
    return OrientationForTag(header.orientation)
        .Then(rotation >= 0 && rotation <= 3 ? rotation : 0);
}

// The sides asked for that are smaller than the photo, ascending. A photo that stands upright
// (quarter: as stored it lies) gets one more beside the phones' display copy, which is narrower
// than a phone's screen then: one as wide as that copy is long, unless it would be no smaller
// than the photo or the largest side asked for.
std::vector<int> WantedSides(const JpegHeader& header, const std::vector<int>& sides,
                             bool quarter) {
    const std::int64_t width = quarter ? header.height : header.width;
    const std::int64_t height = quarter ? header.width : header.height;
    const std::int64_t longSide = std::max(width, height);
    std::vector<int> wanted;
    for (int side : sides) {
        if (side > 0 && side < longSide)
            wanted.push_back(side);
    }
    if (height > width && std::find(sides.begin(), sides.end(), kPhoneDisplaySide) != sides.end()) {
        const std::int64_t across = (kPhoneDisplaySide * height + width - 1) / width;
        if (across < longSide && across < *std::max_element(sides.begin(), sides.end()))
            wanted.push_back(static_cast<int>(across));
    }
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    return wanted;
}

}  // namespace

ScreenSizes ScreenSizesOf(Raster picture, const JpegHeader& header, int rotation,
                          const std::vector<int>& sides) {
    ScreenSizes result;
    if (header.width < 1 || header.height < 1 || picture.Empty())
        return result;
    const Orientation orientation = ScreenOrientation(header, rotation);
    result.width = orientation.Quarter() ? header.height : header.width;
    result.height = orientation.Quarter() ? header.width : header.height;
    picture = As24Bit(std::move(picture));
    const std::vector<int> wanted = WantedSides(header, sides, orientation.Quarter());
    // Largest first, each size reduced from the one before it.
    for (auto side = wanted.rbegin(); side != wanted.rend(); ++side) {
        const auto [w, h] = ScaledToSide(header.width, header.height, *side);
        picture = Downscaled(picture, w, h);
        EncodeOptions options;
        options.quality = kScreenQuality;
        options.turn = orientation.Turn();
        options.icc = header.icc;
        result.pictures.push_back({*side, EncodeFittingProfile(picture, options)});
    }
    std::reverse(result.pictures.begin(), result.pictures.end());
    return result;
}

ScreenSizes MakeScreenSizes(const TJPEGData& data, int rotation, const std::vector<int>& sides) {
    const JpegHeader& header = data.header;
    const std::vector<int> wanted =
        WantedSides(header, sides, ScreenOrientation(header, rotation).Quarter());
    // A photo no larger than every size is decoded only to know that it can be.
    Raster picture;
    try {
        DecodeOptions options;
        options.eighths =
            wanted.empty() ? 1
                           : CoveringEighths(std::max(header.width, header.height), wanted.back());
        picture = DecodeJpeg(data.bytes, options);
    } catch (const EInvalidGraphic&) {
        return {};
    }
    if (ScreenOrientation(header, rotation).mirror)
        MirrorInPlace(picture);
    return ScreenSizesOf(std::move(picture), header, rotation, sides);
}

}  // namespace albumon
