// HEIC pixels read from the decoder's own YCbCr planes: the conversion against colours coded with
// each matrix and range, and whole pictures against libheif's own conversion of the same file.
#include <gtest/gtest.h>

#include <libheif/heif.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "PhoneFormatFixtures.h"
#include "PictureFixtures.h"
#include "codecs/HeifAdapter.h"
#include "pixels/YcbcrPlanes.h"

namespace albumon {
namespace {

std::uint8_t Coded(double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

TEST(HeifPlanesTest, ColoursComeBackFromEveryMatrixAndRange) {
    const YcbcrMatrix matrices[] = {{}, {0.2126, 0.0722, false}, {0.2627, 0.0593, true}};
    // Red, green, blue of each two by two block, coded as an encoder codes them.
    const std::vector<test::Bgr> colours = {{0, 0, 255},   {0, 255, 0},     {255, 0, 0},
                                            {0, 0, 0},     {255, 255, 255}, {30, 140, 220},
                                            {200, 90, 40}, {128, 128, 128}};
    const std::int32_t width = 5, height = 7;  // odd: the last blocks cover one row or column
    for (const YcbcrMatrix& m : matrices) {
        SCOPED_TRACE(std::to_string(m.kr) + (m.fullRange ? " full" : " video"));
        std::vector<std::uint8_t> y(width * height), cb(3 * 4), cr(3 * 4);
        auto colourAt = [&](std::int32_t row, std::int32_t col) {
            return colours[(row / 2 * 3 + col / 2) % colours.size()];
        };
        const double luma = m.fullRange ? 1 : 219.0 / 255, chroma = m.fullRange ? 1 : 224.0 / 255;
        const double offset = m.fullRange ? 0 : 16;
        for (std::int32_t row = 0; row < height; ++row) {
            for (std::int32_t col = 0; col < width; ++col) {
                const test::Bgr c = colourAt(row, col);
                const double l = m.kr * c.red + (1 - m.kr - m.kb) * c.green + m.kb * c.blue;
                y[row * width + col] = Coded(offset + l * luma);
                cb[row / 2 * 3 + col / 2] = Coded(128 + (c.blue - l) / (2 * (1 - m.kb)) * chroma);
                cr[row / 2 * 3 + col / 2] = Coded(128 + (c.red - l) / (2 * (1 - m.kr)) * chroma);
            }
        }
        Raster raster(width, height, pf24bit);
        YcbcrToRaster({y.data(), width, cb.data(), 3, cr.data(), 3}, m, raster);
        for (std::int32_t row = 0; row < height; ++row) {
            for (std::int32_t col = 0; col < width; ++col) {
                const test::Bgr got = test::PixelAt(raster, row, col), want = colourAt(row, col);
                EXPECT_NEAR(got.blue, want.blue, 2) << row << "," << col;
                EXPECT_NEAR(got.green, want.green, 2) << row << "," << col;
                EXPECT_NEAR(got.red, want.red, 2) << row << "," << col;
            }
        }
    }
}

// The mean difference of a raster's samples from libheif's interleaved RGB decode of heic.
double FromLibheif(const std::string& heic, const Raster& raster) {
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                        &heif_context_free);
    heif_context_read_from_memory_without_copy(context.get(), heic.data(), heic.size(), nullptr);
    heif_image_handle* handle = nullptr;
    heif_context_get_primary_image_handle(context.get(), &handle);
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> ownedHandle(
        handle, &heif_image_handle_release);
    heif_image* decoded = nullptr;
    heif_decode_image(handle, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
    std::unique_ptr<heif_image, decltype(&heif_image_release)> image(decoded, &heif_image_release);
    if (!image || heif_image_get_width(decoded, heif_channel_interleaved) != raster.Width() ||
        heif_image_get_height(decoded, heif_channel_interleaved) != raster.Height())
        return 255;
    int stride = 0;
    const std::uint8_t* rgb =
        heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    double sum = 0;
    for (std::int32_t y = 0; y < raster.Height(); ++y) {
        for (std::int32_t i = 0; i < raster.Width() * 3; ++i)
            sum += std::abs(raster.Row(y)[i] - rgb[y * stride + i + 2 - 2 * (i % 3)]);
    }
    return sum / (3.0 * raster.Width() * raster.Height());
}

TEST(HeifPlanesTest, PicturesMatchLibheifsOwnConversion) {
    struct Case {
        const char* name;
        std::int32_t width, height;
        test::HeifParts parts;
        double mean;  // libheif smooths chroma edges, and the test picture is full of them
    };
    const Case cases[] = {
        {"upright", 254, 128, {}, 0.5},
        {"turned", 254, 128, {6}, 0.5},
        {"mirrored, video range described",
         254,
         128,
         {2, 0, false, test::hcNclx, false, 90, 1, false},
         0.5},
        {"odd size, turned: libheif converts", 255, 129, {6}, 0},
        {"4:4:4, read at half chroma size",
         254,
         128,
         {1, 0, false, test::hcNone, false, 90, 6, true, true},
         8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string heic =
            test::HeicFile(test::NumberedRaster(c.width, c.height, pf24bit), c.parts);
        const DecodedPicture picture = DecodeHeif(heic);
        EXPECT_LE(FromLibheif(heic, picture.raster), c.mean);
    }
}

}  // namespace
}  // namespace albumon
