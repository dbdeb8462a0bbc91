// Test pictures made on the spot.
#include "PictureFixtures.h"

#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "codecs/JpegCodec.h"

namespace albumon::test {

namespace {

void SetPixel(Raster& raster, std::int32_t y, std::int32_t x, int blue, int green, int red) {
    std::uint8_t* p = raster.Row(y) + std::int64_t{x} * 3;
    p[0] = static_cast<std::uint8_t>(blue);
    p[1] = static_cast<std::uint8_t>(green);
    p[2] = static_cast<std::uint8_t>(red);
}

// Offset of the first marker 0xFF code at or after from, or npos.
std::size_t FindMarker(const std::string& bytes, unsigned char code, std::size_t from = 0) {
    for (std::size_t i = from; i + 1 < bytes.size(); ++i) {
        if (static_cast<unsigned char>(bytes[i]) == 0xFF &&
            static_cast<unsigned char>(bytes[i + 1]) == code) {
            return i;
        }
    }
    return std::string::npos;
}

}  // namespace

Raster QuadrantRaster(std::int32_t width, std::int32_t height) {
    Raster raster(width, height, pf24bit);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            bool top = y < height / 2;
            bool left = x < width / 2;
            int shade = 20 * x / std::max(width, 1);
            if (top && left)
                SetPixel(raster, y, x, shade, shade, 235);
            if (top && !left)
                SetPixel(raster, y, x, shade, 235, shade);
            if (!top && left)
                SetPixel(raster, y, x, 235, shade, shade);
            if (!top && !left)
                SetPixel(raster, y, x, 235 - shade, 235 - shade, 235 - shade);
        }
    }
    return raster;
}

Raster GrayRaster(std::int32_t width, std::int32_t height) {
    Raster raster(width, height, pf24bit);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            int level = 255 * (x + y) / std::max(width + height - 2, 1);
            SetPixel(raster, y, x, level, level, level);
        }
    }
    return raster;
}

Raster NumberedRaster(std::int32_t width, std::int32_t height, PixelFormat format) {
    Raster raster(width, height, format);
    if (format == pf8bit) {
        std::vector<PaletteColor> palette(256);
        for (int i = 0; i < 256; ++i)
            palette[i] = {std::uint8_t(i), std::uint8_t(255 - i), 7};
        raster.SetPalette(palette);
    }
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            if (format == pf8bit) {
                raster.Row(y)[x] = static_cast<std::uint8_t>(y * width + x + 1);
            } else {
                SetPixel(raster, y, x, y, x, (x * 7 + y * 13) & 0xFF);
            }
        }
    }
    return raster;
}

std::vector<std::uint8_t> PixelBytes(const Raster& raster) {
    std::vector<std::uint8_t> bytes;
    for (std::int32_t y = 0; y < raster.Height(); ++y) {
        const std::uint8_t* row = raster.Row(y);
        bytes.insert(bytes.end(), row, row + std::int64_t{raster.Width()} * raster.BytesPerPixel());
    }
    return bytes;
}

Bgr PixelAt(const Raster& raster, std::int32_t y, std::int32_t x) {
    const std::uint8_t* p = raster.Row(y) + std::int64_t{x} * 3;
    return {p[0], p[1], p[2]};
}

namespace {

// The quadrant colours of QuadrantRaster: 0 red, 1 green, 2 blue, 3 white.
int ColourClass(Bgr p) {
    if (p.red > 150 && p.green > 150 && p.blue > 150)
        return 3;
    if (p.red > 150)
        return 0;
    if (p.green > 150)
        return 1;
    return p.blue > 150 ? 2 : -1;
}

}  // namespace

std::vector<int> Quadrants(const Raster& raster) {
    if (raster.Empty())
        return {};
    const std::int32_t w = raster.Width(), h = raster.Height();
    return {ColourClass(PixelAt(raster, h / 4, w / 4)),
            ColourClass(PixelAt(raster, h / 4, 3 * w / 4)),
            ColourClass(PixelAt(raster, 3 * h / 4, w / 4)),
            ColourClass(PixelAt(raster, 3 * h / 4, 3 * w / 4))};
}

std::string ColorJpeg(std::int32_t width, std::int32_t height, bool progressive) {
    EncodeOptions options;
    options.progressive = progressive;
    return EncodeJpeg(QuadrantRaster(width, height), options);
}

std::string GrayJpeg(std::int32_t width, std::int32_t height) {
    EncodeOptions options;
    options.grayOutput = true;
    return EncodeJpeg(GrayRaster(width, height), options);
}

namespace {

// A four-ink JPEG whose ink values come from ink(x * 4 + channel, y), stored as CMYK or YCCK,
// with or without the Adobe marker.
template <typename Ink>
std::string FourInkJpeg(std::int32_t width, std::int32_t height, int quality, bool ycck, bool adobe,
                        Ink ink) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_set_colorspace(&cinfo, ycck ? JCS_YCCK : JCS_CMYK);
    cinfo.write_Adobe_marker = adobe ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 4);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<JSAMPLE>(ink(i, y));
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string bytes(reinterpret_cast<char*>(buffer), size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bytes;
}

}  // namespace

std::string CmykJpeg(std::int32_t width, std::int32_t height) {
    return FourInkJpeg(width, height, 75, false, true,
                       [](std::size_t i, std::int32_t y) { return i * 3 + y; });
}

std::string InkJpeg(std::int32_t width, std::int32_t height, const std::uint8_t (&inks)[4],
                    bool ycck, bool adobe) {
    return FourInkJpeg(width, height, 95, ycck, adobe,
                       [&inks](std::size_t i, std::int32_t) { return inks[i % 4]; });
}

std::string HugeHeaderJpeg(std::int32_t width, std::int32_t height, bool progressive) {
    std::string bytes = ColorJpeg(16, 16, progressive);
    std::size_t sof = FindMarker(bytes, progressive ? 0xC2 : 0xC0);
    if (sof == std::string::npos)
        throw std::runtime_error("no frame header");
    // Frame header: marker, length (2), precision (1), height (2), width (2).
    bytes[sof + 5] = static_cast<char>(height >> 8);
    bytes[sof + 6] = static_cast<char>(height & 0xFF);
    bytes[sof + 7] = static_cast<char>(width >> 8);
    bytes[sof + 8] = static_cast<char>(width & 0xFF);
    return bytes;
}

std::string ManyScansJpeg(int scans) {
    std::string bytes = ColorJpeg(16, 16, true);
    std::size_t last = std::string::npos;
    for (std::size_t at = FindMarker(bytes, 0xDA); at != std::string::npos;
         at = FindMarker(bytes, 0xDA, at + 2)) {
        last = at;
    }
    std::size_t end = bytes.size() - 2;  // the end-of-image marker
    std::string scan = bytes.substr(last, end - last);
    std::string result = bytes.substr(0, end);
    for (int i = 0; i < scans; ++i)
        result += scan;
    return result + bytes.substr(end);
}

}  // namespace albumon::test
