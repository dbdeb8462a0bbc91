// The size bounds every adapter checks before decoding, and transparency flattened onto white.
#include "codecs/DecodedPicture.h"

#include "pixels/GraphicErrors.h"

namespace albumon {

void CheckPictureSize(std::int64_t width, std::int64_t height, std::int64_t maxPixels) {
    if (width < 1 || height < 1)
        throw EInvalidGraphic("画像のサイズが正しくありません");
    if (width > INT32_MAX || height > INT32_MAX ||
        height > kMaxRasterBytes / Raster::RowLengthFor(width, 4) || width * height > maxPixels)
        throw EInvalidGraphic("画像が大きすぎます");
}

void CheckDecodeBytes(std::int64_t width, std::int64_t height, double decoderBytes) {
    CheckPictureSize(width, height);
    if (static_cast<double>(width * height) * (3 + decoderBytes) >
        static_cast<double>(kMaxDecodeBytes))
        throw EInvalidGraphic("画像が大きすぎます");
}

void FlattenRow(const std::uint8_t* bgra, std::uint8_t* bgr, std::int32_t width) {
    for (std::int32_t x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        const unsigned alpha = bgra[3];
        const unsigned white = 255 * (255 - alpha);
        for (int c = 0; c < 3; ++c)
            bgr[c] = static_cast<std::uint8_t>((bgra[c] * alpha + white + 127) / 255);
    }
}

}  // namespace albumon
