// The in-memory picture: size checks and depth conversion.
#include "pixels/Raster.h"

#include "pixels/GraphicErrors.h"

namespace albumon {

Raster::Raster(std::int32_t width, std::int32_t height, PixelFormat format) : format_(format) {
    SetSize(width, height);
}

void Raster::SetSize(std::int32_t width, std::int32_t height) {
    if (width < 0 || height < 0)
        throw EInvalidGraphic("画像のサイズが正しくありません");
    std::int64_t bytes = RowLengthFor(width, BytesPerPixel()) * height;
    if (bytes > kMaxRasterBytes)
        throw EInvalidGraphic("画像が大きすぎます");
    // A size of no more bytes keeps the buffer's first bytes as they lie (the WebP adapter
    // flattens a decode in place and then cuts the raster to its size).
    pixels_.resize(static_cast<std::size_t>(bytes));
    width_ = width;
    height_ = height;
}

}  // namespace albumon
