// The link-preview cover: from photos of every kind, shape and orientation, a 1200 x 630 JPEG
// cut from the middle of the upright picture, small enough and with no metadata.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "PhoneFormatFixtures.h"
#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "TestSupport.h"
#include "codecs/JpegCodec.h"
#include "renditions/Cover.h"

namespace albumon {
namespace {

// The markers of a JPEG file's segments up to its first scan.
std::vector<int> SegmentMarkers(const std::string& jpeg) {
    std::vector<int> markers;
    for (std::size_t at = 2; at + 4 <= jpeg.size();) {
        const int marker = static_cast<unsigned char>(jpeg[at + 1]);
        markers.push_back(marker);
        if (marker == 0xDA)
            break;
        at += 2 + (static_cast<unsigned char>(jpeg[at + 2]) << 8 |
                   static_cast<unsigned char>(jpeg[at + 3]));
    }
    return markers;
}

// Grain over the whole picture: as hard to compress as a photo gets.
Raster NoiseRaster(std::int32_t width, std::int32_t height) {
    Raster raster(width, height, pf24bit);
    std::mt19937 random(7);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < 3 * width; ++x)
            raster.Row(y)[x] = static_cast<std::uint8_t>(random());
    }
    return raster;
}

struct CoverCase {
    const char* name;
    std::function<std::string()> file;  // the source file's bytes
    int rotation;
    std::vector<int> quadrants;  // what the cover shows at its quadrants' middles (see Quadrants)
};

TEST(Cover, EveryKindShapeAndTurnGivesAWideUprightCoverWithoutMetadata) {
    using namespace test;
    const std::vector<CoverCase> cases{
        {"JPEG turned by its EXIF, with location and profile",
         [] { return PhoneJpeg(QuadrantRaster(1600, 1200), {.orientation = 6}); },
         0,
         {0, 1, 2, 3}},
        {"JPEG turned by the user", [] { return ColorJpeg(1600, 1200); }, 2, {3, 2, 1, 0}},
        {"HEIC standing upright",
         [] { return HeicFile(QuadrantRaster(900, 1200), {}); },
         0,
         {0, 1, 2, 3}},
        {"PNG smaller than the cover",
         [] { return PngFile(QuadrantRaster(400, 300), {}); },
         0,
         {0, 1, 2, 3}},
        {"WebP wider than the cover",
         [] { return WebpFile(QuadrantRaster(3000, 1000), {}); },
         0,
         {0, 1, 2, 3}},
        {"grain that only a low quality fits",
         [] {
             EncodeOptions options;
             options.quality = 95;
             return EncodeJpeg(NoiseRaster(2400, 1260), options);
         },
         0,
         {-1, -1, -1, -1}},
    };
    TempDir dir;
    for (const CoverCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / "source";
        WriteFile(path, c.file());
        const std::optional<std::string> cover = MakeCover(path, c.rotation);
        ASSERT_TRUE(cover.has_value());
        EXPECT_LE(cover->size(), kCoverMaxBytes);
        const JpegHeader header = ReadJpegHeader(*cover);
        EXPECT_EQ(header.width, kCoverWidth);
        EXPECT_EQ(header.height, kCoverHeight);
        EXPECT_TRUE(header.exif.empty());
        EXPECT_TRUE(header.icc.empty());
        // Of the application segments only the JFIF marker.
        for (int marker : SegmentMarkers(*cover)) {
            if (marker >= 0xE0 && marker <= 0xEF) {
                EXPECT_EQ(marker, 0xE0);
            }
        }
        if (c.quadrants[0] >= 0) {
            EXPECT_EQ(Quadrants(DecodeJpeg(*cover, {})), c.quadrants);
        }
    }
}

TEST(Cover, CropKeepsTheMiddleOfEitherShape) {
    struct Case {
        std::int32_t width, height;
        CoverCrop crop;
    };
    const Case cases[] = {
        {4000, 3000, {0, 450, 4000, 2100}},   // taller than the cover: top and bottom go
        {3000, 4000, {0, 1212, 3000, 1575}},  // upright
        {2400, 630, {600, 0, 1200, 630}},     // wider: the sides go
        {1200, 630, {0, 0, 1200, 630}},       // the cover's own shape
        {1, 1, {0, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        const CoverCrop crop = CoverCropOf(c.width, c.height);
        EXPECT_EQ(crop.left, c.crop.left) << c.width << "x" << c.height;
        EXPECT_EQ(crop.top, c.crop.top) << c.width << "x" << c.height;
        EXPECT_EQ(crop.width, c.crop.width) << c.width << "x" << c.height;
        EXPECT_EQ(crop.height, c.crop.height) << c.width << "x" << c.height;
    }
}

TEST(Cover, NoCoverForWhatCannotBeDecoded) {
    test::TempDir dir;
    const std::string broken = dir / "broken.jpg";
    test::WriteFile(broken, "\xFF\xD8\xFF\xE0 not a picture");
    EXPECT_FALSE(MakeCover(broken, 0).has_value());
    EXPECT_FALSE(MakeCover(dir / "missing.jpg", 0).has_value());
}

}  // namespace
}  // namespace albumon
