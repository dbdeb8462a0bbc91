// The in-memory picture every pixel operation works on: 24-bit BGR or 8-bit with a palette.
#pragma once

#include <cstdint>
#include <vector>

namespace albumon {

// Depth of a raster: 8-bit indices into the palette, or 24-bit blue, green, red pixels.
enum PixelFormat { pf8bit, pf24bit };

// A turn of a raster: none, a quarter clockwise, a quarter counter-clockwise, a half.
enum RasterTurn { rtNone, rtRight, rtLeft, rtHalf };

// One palette entry.
struct PaletteColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const PaletteColor&) const = default;
};

// Largest pixel buffer a raster may hold; a bigger picture counts as unreadable.
constexpr std::int64_t kMaxRasterBytes = std::int64_t{1} << 30;

// Pixels stored row by row, top row first. Each row takes ((width * bytes a pixel + 3) div 4) * 4
// bytes; a 24-bit pixel is the three bytes blue, green, red. This is the layout the turns and the
// thumbnail sampling address, and the one the window draws (32-bit aligned rows).
class Raster {
  public:
    Raster() = default;
    // Raises EInvalidGraphic when the pixels would exceed kMaxRasterBytes.
    Raster(std::int32_t width, std::int32_t height, PixelFormat format);

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    PixelFormat Format() const { return format_; }
    int BytesPerPixel() const { return format_ == pf24bit ? 3 : 1; }
    std::int64_t RowLength() const { return RowLengthFor(width_, BytesPerPixel()); }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Changes the size, keeping depth and palette; the pixels are undefined until written.
    // Raises EInvalidGraphic for a negative size or one beyond kMaxRasterBytes.
    void SetSize(std::int32_t width, std::int32_t height);

    // Up to 256 colours; used by 8-bit rasters.
    const std::vector<PaletteColor>& Palette() const { return palette_; }
    void SetPalette(std::vector<PaletteColor> palette) { palette_ = std::move(palette); }

    // Row y, counted from the top.
    std::uint8_t* Row(std::int32_t y) { return pixels_.data() + y * RowLength(); }
    const std::uint8_t* Row(std::int32_t y) const { return pixels_.data() + y * RowLength(); }

    // Padded row length for a width and pixel size, in 64-bit so huge sizes cannot overflow.
    static std::int64_t RowLengthFor(std::int64_t width, int bytesPerPixel) {
        return (width * bytesPerPixel + 3) / 4 * 4;
    }

  private:
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    PixelFormat format_ = pf24bit;
    std::vector<PaletteColor> palette_;
    std::vector<std::uint8_t> pixels_;
};

}  // namespace albumon
