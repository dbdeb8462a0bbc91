// Screen-size pictures: their sizes and orientation for every EXIF orientation and turn, the
// metadata they carry, the decode scale that covers them and the filtered downscale.
#include <gtest/gtest.h>

#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "TestSupport.h"
#include "metadata/JpegSegments.h"
#include "pixels/Downscale.h"
#include "pixels/RasterTurns.h"
#include "renditions/Images.h"
#include "renditions/OutputPictures.h"
#include "renditions/ScreenSizes.h"

namespace albumon {
namespace {

using test::PhoneJpeg;
using test::PixelAt;
using test::QuadrantRaster;

TJPEGData DataOf(std::string bytes) {
    TJPEGData data;
    data.header = ReadJpegHeader(bytes);
    data.bytes = std::move(bytes);
    return data;
}

// Which quadrant colour a pixel has: 'r', 'g', 'b' or 'w'.
char ColourClass(const test::Bgr& p) {
    if (p.red > 180 && p.green > 180 && p.blue > 180)
        return 'w';
    if (p.red > p.green && p.red > p.blue)
        return 'r';
    return p.green > p.blue ? 'g' : 'b';
}

// The colours of the four quadrants, top left, top right, bottom left, bottom right.
std::string Quadrants(const Raster& raster) {
    const std::int32_t w = raster.Width(), h = raster.Height();
    return {ColourClass(PixelAt(raster, h / 4, w / 4)),
            ColourClass(PixelAt(raster, h / 4, 3 * w / 4)),
            ColourClass(PixelAt(raster, 3 * h / 4, w / 4)),
            ColourClass(PixelAt(raster, 3 * h / 4, 3 * w / 4))};
}

TEST(ScreenSizesTest, EverySizeIsUprightForEveryOrientationAndTurn) {
    // Made from a scaled decode of their own, and, for a turned entry, from the full-size decode
    // of its turned output.
    const Raster upright = QuadrantRaster(400, 300);
    test::TempDir dir;
    PictureView view;
    for (int tag = 1; tag <= 8; ++tag) {
        const TJPEGData data = DataOf(PhoneJpeg(upright, {tag}));
        test::WriteFile(dir / "photo.jpg", data.bytes);
        for (int rotation = 0; rotation < 4; ++rotation) {
            Raster expected = upright;
            for (int k = 0; k < rotation; ++k)
                expected = TurnedRight(expected);
            Raster decoded;
            MakeOutputPicture(view, dir / "photo.jpg", rotation, 80, {}, &decoded);
            EXPECT_EQ(decoded.Width(), rotation == 0 ? 0 : data.header.width) << "full size";
            const ScreenSizes own = MakeScreenSizes(data, rotation, {160, 320, 1280});
            const ScreenSizes reused =
                ScreenSizesOf(std::move(decoded), data.header, rotation, {160, 320, 1280});
            for (const ScreenSizes* sizes : {&own, &reused}) {
                if (sizes == &reused && rotation == 0)
                    continue;
                SCOPED_TRACE("orientation " + std::to_string(tag) + ", turns " +
                             std::to_string(rotation) + (sizes == &own ? "" : ", reused"));
                EXPECT_EQ(sizes->width, expected.Width());
                EXPECT_EQ(sizes->height, expected.Height());
                ASSERT_EQ(sizes->pictures.size(), 2u);  // 1280 is larger than the photo
                for (const ScreenPicture& picture : sizes->pictures) {
                    const JpegHeader header = ReadJpegHeader(picture.bytes);
                    const auto [w, h] =
                        ScaledToSide(expected.Width(), expected.Height(), picture.side);
                    EXPECT_EQ(header.width, w);
                    EXPECT_EQ(header.height, h);
                    EXPECT_EQ(Quadrants(DecodeJpeg(picture.bytes, {})), Quadrants(expected));
                }
            }
        }
    }
}

TEST(ScreenSizesTest, OnlyTheColourProfileIsKeptAndALargerOneIsConvertedToSrgb) {
    const Raster upright = QuadrantRaster(1600, 1200);
    const std::string phone = PhoneJpeg(upright, {6});  // EXIF with GPS, XMP-free, a profile
    for (const ScreenPicture& picture :
         MakeScreenSizes(DataOf(phone), 0, {160, 480, 1280}).pictures) {
        SCOPED_TRACE(picture.side);
        EXPECT_TRUE(ExifPayload(picture.bytes).empty());
        const JpegHeader header = ReadJpegHeader(picture.bytes);
        // The test profile (3000 bytes) stays where the picture outweighs it.
        if (header.icc.empty())
            EXPECT_LT(picture.bytes.size(), 3000u);
        else
            EXPECT_EQ(header.icc, test::TestProfile());
        std::size_t others = 0;
        for (const JpegSegment& segment : HeaderSegments(picture.bytes))
            others += segment.marker != 0xE0 && segment.marker != 0xE2 && segment.marker >= 0xE0;
        EXPECT_EQ(others, 0u) << "no APPn segment but JFIF and the profile";
    }
    // A wide-gamut profile larger than the card: no profile, and the colours made sRGB.
    const std::string wide = test::WideProfile(20000);
    TJPEGData withWide = DataOf(phone);
    withWide.header.icc = wide;
    TJPEGData without = DataOf(phone);
    without.header.icc.clear();
    const ScreenPicture converted = MakeScreenSizes(withWide, 0, {160}).pictures.at(0);
    const ScreenPicture untouched = MakeScreenSizes(without, 0, {160}).pictures.at(0);
    EXPECT_TRUE(ReadJpegHeader(converted.bytes).icc.empty());
    const Raster a = DecodeJpeg(converted.bytes, {}), b = DecodeJpeg(untouched.bytes, {});
    const test::Bgr pa = PixelAt(a, a.Height() / 4, a.Width() / 4);
    const test::Bgr pb = PixelAt(b, b.Height() / 4, b.Width() / 4);
    EXPECT_GT(
        std::abs(pa.red - pb.red) + std::abs(pa.green - pb.green) + std::abs(pa.blue - pb.blue),
        10);
}

TEST(ScreenSizesTest, AnUprightPhotoGetsACopyAsWideAsThePhonesCopyIsLong) {
    // Upright as stored, by its orientation tag and by a turn: the phones' 1280 copy is 960
    // pixels wide, narrower than a phone's screen. Not for a landscape photo, nor where the copy
    // would be no smaller than the photo or the display copy.
    const struct {
        std::int32_t width, height;  // before the turn
        int tag, rotation;
        std::vector<int> sides;
    } cases[] = {
        {1500, 2000, 1, 0, {160, 1280, 1707}}, {1500, 2000, 6, 0, {160, 1280, 1707}},
        {2000, 1500, 1, 1, {160, 1280, 1707}}, {2000, 1500, 1, 0, {160, 1280}},
        {1152, 2048, 1, 0, {160, 1280}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " tag " +
                     std::to_string(c.tag) + " turns " + std::to_string(c.rotation));
        const TJPEGData data = DataOf(PhoneJpeg(QuadrantRaster(c.width, c.height), {c.tag}));
        const ScreenSizes sizes = MakeScreenSizes(data, c.rotation, {160, 1280, 2048});
        std::vector<int> sides;
        for (const ScreenPicture& picture : sizes.pictures) {
            sides.push_back(picture.side);
            const JpegHeader header = ReadJpegHeader(picture.bytes);
            EXPECT_EQ(std::max(header.width, header.height), picture.side);
            if (picture.side == 1707) {
                EXPECT_EQ(header.width, kPhoneDisplaySide);
            }
        }
        EXPECT_EQ(sides, c.sides);
    }
}

TEST(ScreenSizesTest, APictureThatCannotBeDecodedGetsNone) {
    TJPEGData data = DataOf(test::ColorJpeg(800, 600));
    data.bytes.resize(200);  // the header's promise, no picture
    const ScreenSizes sizes = MakeScreenSizes(data, 1, {160, 320});
    EXPECT_TRUE(sizes.pictures.empty());
}

TEST(ScreenSizesTest, TheDecodeScaleIsTheSmallestThatCoversTheLargestSize) {
    const struct {
        std::int64_t longSide;
        int side;
        int eighths;
    } cases[] = {{4000, 2048, 5}, {4000, 1280, 3}, {4000, 480, 1}, {1000, 160, 2},
                 {1000, 999, 8},  {6000, 3072, 5}, {4032, 2048, 5}};
    for (const auto& c : cases)
        EXPECT_EQ(CoveringEighths(c.longSide, c.side), c.eighths) << c.longSide << " " << c.side;
    EXPECT_EQ(ScreenSides(2048), (std::vector<int>{160, 320, 480, 1280, 2048}));
    EXPECT_EQ(ScreenSides(0), (std::vector<int>{160, 320, 480}));
}

TEST(ScreenSizesTest, DownscalingAveragesInsteadOfSampling) {
    // One-pixel stripes of black and white: a sampled copy keeps one colour, an averaged one
    // is gray throughout.
    Raster stripes(640, 480, pf24bit);
    for (std::int32_t y = 0; y < 480; ++y) {
        for (std::int32_t x = 0; x < 640; ++x)
            std::fill_n(stripes.Row(y) + 3 * x, 3, (x % 2) ? 255 : 0);
    }
    for (auto [w, h] : {std::pair{160, 120}, std::pair{213, 160}}) {
        const Raster small = Downscaled(stripes, w, h);
        ASSERT_EQ(small.Width(), w);
        ASSERT_EQ(small.Height(), h);
        for (std::int32_t y = 0; y < h; y += 7) {
            for (std::int32_t x = 0; x < w; x += 5)
                ASSERT_NEAR(PixelAt(small, y, x).green, 128, 50) << w << " at " << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace albumon
