// Turning a JPEG through bands: each band of output rows is a band of the source's rows (no turn,
// half turn) or columns (quarter turns), decoded, mirrored and turned on its own.
#include "codecs/TurnedJpeg.h"

#include <algorithm>
#include <cstdint>

#include "pixels/RasterTurns.h"

namespace albumon {

namespace {

// Bytes of pixels one band holds (twice over while it is turned).
constexpr std::int64_t kBandBytes = 16 << 20;
// Output rows a band holds are a multiple of the encoder's groups of rows.
constexpr std::int32_t kBandStep = 16;

// The source's rectangle whose pixels become output rows first .. first + count - 1.
JpegBand SourceBand(std::int32_t w, std::int32_t h, Orientation orientation, std::int32_t first,
                    std::int32_t count) {
    switch (orientation.Turn()) {
        case rtNone:
            return {0, first, w, count};
        case rtHalf:
            return {0, h - first - count, w, count};
        case rtRight:
            return {orientation.mirror ? w - first - count : first, 0, count, h};
        case rtLeft:
            return {orientation.mirror ? first : w - first - count, 0, count, h};
    }
    return {};
}

}  // namespace

std::string TurnedByBands(const std::string& bytes, Orientation orientation,
                          const EncodeOptions& options) {
    JpegBands bands(bytes);
    const std::int32_t w = bands.Width();
    const std::int32_t h = bands.Height();
    const bool quarter = orientation.Quarter();
    const std::int32_t outWidth = quarter ? h : w;
    const std::int32_t outHeight = quarter ? w : h;
    const std::int64_t fitting = kBandBytes / (std::int64_t{outWidth} * 3);
    const auto step = static_cast<std::int32_t>(
        std::max<std::int64_t>(kBandStep, fitting / kBandStep * kBandStep));
    Raster band;
    std::int32_t bandFirst = 0;
    std::int32_t bandCount = 0;
    const auto fill = [&](std::int32_t first, std::int32_t count, std::uint8_t* rows,
                          std::int64_t rowLength) {
        if (first + count > bandFirst + bandCount) {
            bandFirst = first;
            bandCount = std::min(step, outHeight - first);
            band = bands.Read(SourceBand(w, h, orientation, bandFirst, bandCount));
            if (orientation.mirror)
                MirrorInPlace(band);
            if (orientation.Turn() != rtNone)
                band = Turned(band, orientation.Turn());
        }
        for (std::int32_t i = 0; i < count; ++i) {
            const std::uint8_t* row = band.Row(first - bandFirst + i);
            std::copy_n(row, std::int64_t{outWidth} * 3, rows + i * rowLength);
        }
    };
    return EncodeJpegRows(outWidth, outHeight, options, fill);
}

}  // namespace albumon
