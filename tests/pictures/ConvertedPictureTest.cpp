// HEIF, PNG and WebP sources made into the album's JPEGs: pixels against the picture they were
// made from, orientation (a HEIF's own boxes, never its EXIF on top), colour profiles, EXIF,
// transparency, the preview, and damaged files of every kind.
#include <gtest/gtest.h>

#include <lcms2.h>
#include <libheif/heif.h>

#include <cstdlib>
#include <functional>

#include "PhoneFormatFixtures.h"
#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "TestSupport.h"
#include "codecs/JpegCodec.h"
#include "codecs/PhotoFormats.h"
#include "metadata/PictureKind.h"
#include "pixels/ColourProfiles.h"
#include "pixels/GraphicErrors.h"
#include "pixels/RasterTurns.h"
#include "renditions/ConvertedPictures.h"
#include "renditions/Images.h"
#include "renditions/OutputPictures.h"
#include "renditions/Thumbnails.h"

namespace albumon {
namespace {

constexpr std::int32_t kWidth = 96, kHeight = 64;

// The upright test picture as it must come out: the transparent quadrant (if any) white.
Raster Expected(bool alpha) {
    Raster raster = test::QuadrantRaster(kWidth, kHeight);
    for (std::int32_t y = 0; alpha && y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            if (test::TransparentAt(y, x, kWidth, kHeight))
                std::fill_n(raster.Row(y) + 3 * x, 3, 255);
        }
    }
    return raster;
}

// Mean absolute difference of the samples of two 24-bit rasters of one size.
double MeanDifference(const Raster& a, const Raster& b) {
    EXPECT_EQ(a.Width(), b.Width());
    EXPECT_EQ(a.Height(), b.Height());
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return 255;
    double sum = 0;
    for (std::int32_t y = 0; y < a.Height(); ++y) {
        for (std::int32_t i = 0; i < a.Width() * 3; ++i)
            sum += std::abs(a.Row(y)[i] - b.Row(y)[i]);
    }
    return sum / (3.0 * a.Width() * a.Height());
}

// The red primary a profile records (its rXYZ tag), for telling primaries apart.
cmsCIEXYZ RedColorant(const std::string& icc) {
    cmsHPROFILE profile =
        cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
    EXPECT_NE(profile, nullptr);
    cmsCIEXYZ red{};
    if (profile) {
        if (auto* tag = static_cast<cmsCIEXYZ*>(cmsReadTag(profile, cmsSigRedColorantTag)))
            red = *tag;
        cmsCloseProfile(profile);
    }
    return red;
}

enum IccWanted { iwNone, iwCopied, iwMadeP3, iwMadeSrgbLike };

struct Case {
    const char* file;
    std::function<std::string()> make;
    bool alpha;
    IccWanted icc;
    bool exif;
    double tolerance;  // mean difference allowed against the source picture
};

std::vector<Case> Cases() {
    const Raster upright = test::QuadrantRaster(kWidth, kHeight);
    using test::HeifParts, test::PngParts, test::WebpParts;
    return {
        {"turned.heic",
         [=] {
             return test::HeicFile(upright, {6, 8, true, test::hcIcc});
         },
         false, iwCopied, true, 6},
        {"mirrored.HEIF",
         [=] {
             return test::HeicFile(upright, {2, 3, false, test::hcNclx});
         },
         false, iwMadeP3, true, 6},
        {"alpha.hif",
         [=] {
             return test::HeicFile(upright, {1, 0, false, test::hcNone, true});
         },
         true, iwNone, false, 6},
        {"deep.png",
         [=] {
             return test::PngFile(upright, {true, false, true, true});
         },
         true, iwCopied, false, 3},
        {"palette.PNG",
         [=] {
             return test::PngFile(upright, {false, true, true, true});
         },
         true, iwCopied, false, 3},
        {"gamma.png",
         [=] {
             return test::PngFile(upright, {false, false, false, false, true, 6});
         },
         false, iwMadeSrgbLike, true, 3},
        {"lossy.webp",
         [=] {
             return test::WebpFile(upright, {false, true, true});
         },
         true, iwCopied, false, 5},
        {"lossless.WebP",
         [=] {
             return test::WebpFile(upright, {true, true, false, 8});
         },
         true, iwNone, true, 3},
    };
}

TEST(ConvertedPictureTest, EveryKindBecomesAnUprightJpegWithItsProfileAndExif) {
    ASSERT_TRUE(heif_have_encoder_for_format(heif_compression_HEVC));
    test::TempDir dir;
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.file);
        const std::string path = dir / c.file;
        test::WriteFile(path, c.make());
        ASSERT_TRUE(IsConvertedSource(path));
        PhotoOptions photo;
        photo.StripLocation = true;
        const ConvertedEntry entry = MakeConvertedEntry(path, 0, 244, 64, photo);
        EXPECT_FALSE(entry.noPreview);
        ASSERT_EQ(SniffPicture(entry.picture), pkJpeg);
        const JpegHeader header = ReadJpegHeader(entry.picture);
        EXPECT_EQ(header.width, kWidth);
        EXPECT_EQ(header.height, kHeight);
        EXPECT_LE(MeanDifference(DecodeJpeg(entry.picture, {}), Expected(c.alpha)), c.tolerance);
        switch (c.icc) {
            case iwNone:
                EXPECT_TRUE(header.icc.empty());
                break;
            case iwCopied:
                EXPECT_EQ(header.icc, test::P3Profile());
                break;
            case iwMadeP3:
                EXPECT_NEAR(RedColorant(header.icc).X, RedColorant(test::P3Profile()).X, 0.002);
                break;
            case iwMadeSrgbLike:
                EXPECT_NEAR(RedColorant(header.icc).X, RedColorant(SrgbProfile()).X, 0.002);
                break;
        }
        const test::ExifFacts exif = test::ReadExifFacts(entry.picture);
        EXPECT_EQ(exif.present, c.exif);
        if (c.exif) {
            EXPECT_EQ(exif.orientation, 1);
            EXPECT_EQ(exif.model, "Pocket 12");
            EXPECT_FALSE(exif.gps);
        }
        ASSERT_TRUE(entry.thumbnail);
        const JpegHeader thumbnail = ReadJpegHeader(*entry.thumbnail);
        EXPECT_EQ(thumbnail.width, 64);
        EXPECT_EQ(thumbnail.height, 42);
    }
}

TEST(ConvertedPictureTest, TurnsAndQualityApplyOnceOnTopOfTheFilesOwnOrientation) {
    test::TempDir dir;
    const Raster upright = test::QuadrantRaster(kWidth, kHeight);
    test::WriteFile(dir / "a.heic", test::HeicFile(upright, {5, 6, true, test::hcNone}));
    PhotoOptions photo;
    photo.ConvertQuality = 40;
    const ConvertedEntry entry = MakeConvertedEntry(dir / "a.heic", 1, 244, 64, photo);
    EXPECT_LE(MeanDifference(DecodeJpeg(entry.picture, {}), TurnedRight(upright)), 8);
    EXPECT_TRUE(test::ReadExifFacts(entry.picture).gps);  // kept unless asked to strip
    PhotoOptions better;
    EXPECT_LT(entry.picture.size(),
              MakeConvertedEntry(dir / "a.heic", 1, 244, 64, better).picture.size());
    const JpegHeader thumbnail = ReadJpegHeader(*entry.thumbnail);
    EXPECT_EQ(thumbnail.width, 42);
    EXPECT_EQ(thumbnail.height, 64);
}

TEST(ConvertedPictureTest, ContentDecidesTheFormatNotTheName) {
    test::TempDir dir;
    const Raster upright = test::QuadrantRaster(kWidth, kHeight);
    test::WriteFile(dir / "png.jpg", test::PngFile(upright, {}));
    test::WriteFile(dir / "jpeg.png", test::ColorJpeg(kWidth, kHeight));
    test::WriteFile(dir / "empty.webp", "");
    EXPECT_TRUE(IsConvertedSource(dir / "png.jpg"));
    EXPECT_FALSE(IsConvertedSource(dir / "jpeg.png"));
    EXPECT_TRUE(IsConvertedSource(dir / "empty.webp"));
    PictureView view;
    const OutputPicture png = MakeOutputPicture(view, dir / "png.jpg", 0, 50);
    ASSERT_FALSE(png.copySource);
    EXPECT_LE(MeanDifference(DecodeJpeg(png.bytes, {}), upright), 3);
    EXPECT_TRUE(MakeOutputPicture(view, dir / "jpeg.png", 0, 50).copySource);
}

TEST(ConvertedPictureTest, DamagedFilesOfEveryKindGetPlaceholders) {
    test::TempDir dir;
    const Raster upright = test::QuadrantRaster(kWidth, kHeight);
    const std::vector<std::pair<const char*, std::string>> sources = {
        {"heic", test::HeicFile(upright, {})},
        {"png", test::PngFile(upright, {})},
        {"webp", test::WebpFile(upright, {})},
    };
    for (const auto& [extension, bytes] : sources) {
        std::string corrupt = bytes;
        std::fill(corrupt.begin() + 12, corrupt.begin() + 40, '\xFF');
        for (const std::string& damaged : {bytes.substr(0, bytes.size() / 2), corrupt}) {
            SCOPED_TRACE(extension + std::to_string(damaged.size()));
            EXPECT_THROW(DecodePhoto(damaged), EInvalidGraphic);
            const std::string path = dir / (std::string("bad.") + extension);
            test::WriteFile(path, damaged);
            const ConvertedEntry entry = MakeConvertedEntry(path, 1, 244, 64, {});
            EXPECT_TRUE(entry.noPreview);
            EXPECT_EQ(ReadJpegHeader(entry.picture).width, 640);
            EXPECT_EQ(ReadJpegHeader(*entry.thumbnail).height, 64);  // shaped as turned
            PictureView view;
            LoadPicture(view, path, 0, 244);
            ASSERT_TRUE(view.HasPicture());  // the "no preview" picture
            EXPECT_EQ(view.PictureRaster().Palette(), NoPreviewRaster(2, 2).Palette());
        }
    }
}

TEST(ConvertedPictureTest, PreviewIsUprightFittedAndReduced) {
    test::TempDir dir;
    const Raster upright = test::QuadrantRaster(960, 640);
    test::WriteFile(dir / "p.heic", test::HeicFile(upright, {8, 6, false, test::hcNone}));
    PictureView view;
    LoadPicture(view, dir / "p.heic", 0, 244);
    ASSERT_TRUE(view.HasPicture());
    EXPECT_EQ(view.Width, 240);
    EXPECT_EQ(view.Height, 160);
    EXPECT_EQ(view.PictureWidth(), 240);  // 960 / 4, averaged
    const Raster& shown = view.PictureRaster();
    const test::Bgr topLeft = test::PixelAt(shown, 40, 60);
    const test::Bgr bottomLeft = test::PixelAt(shown, 120, 60);
    EXPECT_GT(topLeft.red, 180);  // red top left, blue bottom left: upright
    EXPECT_GT(bottomLeft.blue, 180);
}

// Lossless twins of one picture decode to exactly its pixels, transparency flattened alike: an
// interlaced PNG, its passes put in place row by row (at sizes where some of its seven passes are
// empty too), and a lossless WebP, flattened within its raster's own buffer, as a plain PNG.
TEST(ConvertedPictureTest, LosslessTwinsDecodeToTheSamePixels) {
    for (const auto& [width, height] : {std::pair{37, 23}, {1, 1}, {2, 9}, {9, 2}, {5, 5}}) {
        for (bool alpha : {false, true}) {
            SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) +
                         (alpha ? " with alpha" : ""));
            const Raster upright = test::NumberedRaster(width, height, pf24bit);
            test::PngParts parts;
            parts.alpha = alpha;
            const std::vector<std::uint8_t> plain =
                test::PixelBytes(DecodePhoto(test::PngFile(upright, parts)).raster);
            parts.interlaced = true;
            const std::string laced = test::PngFile(upright, parts);
            ASSERT_EQ(static_cast<unsigned char>(laced[28]), 1);  // the IHDR says Adam7
            EXPECT_EQ(test::PixelBytes(DecodePhoto(laced).raster), plain);
            const std::string webp = test::WebpFile(upright, {true, alpha});
            EXPECT_EQ(test::PixelBytes(DecodePhoto(webp).raster), plain);
        }
    }
}

TEST(ConvertedPictureTest, PicturesBeyondTheBoundsAreRefused) {
    EXPECT_THROW(CheckPictureSize(20000, 20000), EInvalidGraphic);  // 1.6 GB of pixels
    EXPECT_THROW(CheckPictureSize(8000, 8001), EInvalidGraphic);    // past 64 million pixels
    EXPECT_NO_THROW(CheckPictureSize(8000, 8000));
    // A decoder's own buffers count beside the raster.
    EXPECT_NO_THROW(CheckDecodeBytes(8000, 8000, 1.5));
    EXPECT_THROW(CheckDecodeBytes(8000, 8000, 4), EInvalidGraphic);
    EXPECT_NO_THROW(CheckDecodeBytes(6400, 6400, 4));
    EXPECT_THROW(DecodePhoto(test::PngFile(test::QuadrantRaster(64, 64), {}), 64 * 63),
                 EInvalidGraphic);
}

}  // namespace
}  // namespace albumon
