// The in-memory picture: size checks and depth conversion.
#include "Raster.h"

#include "GraphicErrors.h"

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
    pixels_.resize(static_cast<std::size_t>(bytes));
    width_ = width;
    height_ = height;
}

Raster Raster::To24Bit() const {
    if (format_ == pf24bit)
        return *this;
    Raster result(width_, height_, pf24bit);
    for (std::int32_t y = 0; y < height_; ++y) {
        const std::uint8_t* in = Row(y);
        std::uint8_t* out = result.Row(y);
        for (std::int32_t x = 0; x < width_; ++x, out += 3) {
            PaletteColor c = in[x] < palette_.size() ? palette_[in[x]] : PaletteColor{};
            out[0] = c.blue;
            out[1] = c.green;
            out[2] = c.red;
        }
    }
    return result;
}

}  // namespace albumon
