// The list thumbnails: every format and orientation shown upright, reduced to the icon side,
// small pictures kept as they are, a HEIF's stored thumbnail used when it is large enough, and
// data that cannot be decoded refused.
#include <gtest/gtest.h>

#include <cstdlib>

#include "FileSystem.h"
#include "PhoneFormatFixtures.h"
#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "TestSupport.h"
#include "pixels/GraphicErrors.h"
#include "renditions/ListThumbnail.h"

namespace albumon {
namespace {

const std::vector<int> kUpright = {0, 1, 2, 3};

TEST(ListThumbnailTest, EveryFormatAndOrientationIsUprightAndFitsTheSide) {
    const Raster upright = test::QuadrantRaster(400, 300);
    const auto phone = [&](int orientation) {
        test::PhotoParts parts;
        parts.orientation = orientation;
        return test::PhoneJpeg(upright, parts);
    };
    test::HeifParts heif;
    heif.orientation = 6;
    test::PngParts png;
    png.exifOrientation = 8;
    test::WebpParts webp;
    webp.exifOrientation = 3;
    struct Case {
        const char* name;
        std::string bytes;
        int side, width, height;
    };
    const Case cases[] = {
        {"JPEG, orientation 1", phone(1), 128, 128, 96},
        {"JPEG, orientation 3", phone(3), 128, 128, 96},
        {"JPEG, orientation 5 (mirrored)", phone(5), 128, 128, 96},
        {"JPEG, orientation 6", phone(6), 128, 128, 96},
        {"JPEG, orientation 8", phone(8), 64, 64, 48},
        {"JPEG without EXIF, decoded at an eighth", test::ColorJpeg(2048, 1536), 128, 128, 96},
        {"progressive JPEG", test::ColorJpeg(1000, 750, true), 128, 128, 96},
        {"JPEG smaller than the side", test::ColorJpeg(80, 60), 128, 80, 60},
        {"HEIC turned by its own boxes", test::HeicFile(upright, heif), 128, 128, 96},
        {"PNG, EXIF orientation 8", test::PngFile(upright, png), 128, 128, 96},
        {"WebP, EXIF orientation 3", test::WebpFile(upright, webp), 100, 100, 75},
    };
    for (const Case& c : cases) {
        const Raster thumbnail = ListThumbnailOf(c.bytes, c.side);
        EXPECT_EQ(thumbnail.Width(), c.width) << c.name;
        EXPECT_EQ(thumbnail.Height(), c.height) << c.name;
        ASSERT_EQ(thumbnail.Format(), pf24bit) << c.name;
        EXPECT_EQ(test::Quadrants(thumbnail), kUpright) << c.name;
    }
}

TEST(ListThumbnailTest, HeifStoredThumbnailServesOnlyWhenLargeEnough) {
    const Raster upright = test::QuadrantRaster(640, 480);
    // The stored thumbnails are gray: a gray result says the thumbnail was decoded.
    const Raster large = test::GrayRaster(200, 150), small = test::GrayRaster(80, 60);
    for (const auto& [thumbnail, used] : {std::pair{&large, true}, std::pair{&small, false}}) {
        test::HeifParts parts;
        parts.orientation = 8;
        parts.thumbnail = thumbnail;
        const Raster result = ListThumbnailOf(test::HeicFile(upright, parts), 128);
        EXPECT_EQ(result.Width(), 128) << thumbnail->Width();
        EXPECT_EQ(result.Height(), 96) << thumbnail->Width();
        const test::Bgr corner = test::PixelAt(result, 20, 20);
        const bool gray =
            std::abs(corner.red - corner.green) < 12 && std::abs(corner.green - corner.blue) < 12;
        EXPECT_EQ(gray, used) << thumbnail->Width();
        if (!used) {
            EXPECT_EQ(test::Quadrants(result), kUpright);
        }
    }
}

TEST(ListThumbnailTest, UndecodableDataAndMissingFilesAreRefused) {
    const std::string jpeg = test::ColorJpeg(320, 240);
    for (const std::string& bytes :
         {std::string("not a picture at all"), jpeg.substr(0, 40), std::string("\x89PNG\r\n\x1a\n"),
          std::string("RIFF\0\0\0\0WEBPVP8 ", 16)}) {
        EXPECT_THROW(ListThumbnailOf(bytes), EInvalidGraphic) << bytes.size();
    }
    test::TempDir dir;
    EXPECT_THROW(ListThumbnail(dir / "missing.jpg"), EFOpenError);
    test::WriteFile(dir / "a.jpg", jpeg);
    EXPECT_EQ(ListThumbnail(dir / "a.jpg").Width(), 128);
}

}  // namespace
}  // namespace albumon
