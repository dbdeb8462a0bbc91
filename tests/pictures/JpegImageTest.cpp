// TJPEGImage and the codec boundary: decode settings and scales, gray and 8-bit pictures,
// encoding, and damaged or hostile data.
#include <gtest/gtest.h>

#include "PictureFixtures.h"
#include "TestSupport.h"
#include "codecs/JpegCodec.h"
#include "codecs/JpegImage.h"
#include "pixels/GraphicErrors.h"

namespace albumon {
namespace {

using test::Bgr;
using test::PixelAt;

TJPEGImage Loaded(const std::string& bytes) {
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(bytes);
    return jpeg;
}

TEST(JpegImage, GrayFileGivesEightBitRasterOf236GrayLevelsEvenWhen24BitIsAsked) {
    TJPEGImage jpeg = Loaded(test::GrayJpeg(40, 30));
    EXPECT_TRUE(jpeg.Grayscale());
    jpeg.SetOutputDepth(jf24Bit);
    for (bool fast : {false, true}) {
        jpeg.SetFastDecode(fast);
        const Raster& raster = jpeg.GetRaster();
        EXPECT_EQ(raster.Format(), pf8bit);
        ASSERT_EQ(raster.Palette().size(), 236u);
        for (const PaletteColor& c : raster.Palette()) {
            EXPECT_EQ(c.red, c.green);
            EXPECT_EQ(c.green, c.blue);
        }
        EXPECT_EQ(raster.Palette().front().red, 0);
        EXPECT_EQ(raster.Palette().back().red, 255);
    }
}

TEST(JpegImage, ColoursComeOutInBlueGreenRedOrderAndSurviveEncoding) {
    TJPEGImage jpeg = Loaded(test::ColorJpeg(64, 48));
    const Raster& raster = jpeg.GetRaster();
    ASSERT_EQ(raster.Format(), pf24bit);
    Bgr topLeft = PixelAt(raster, 5, 5);  // red quadrant
    EXPECT_GT(topLeft.red, 200);
    EXPECT_LT(topLeft.blue, 60);
    Bgr bottomLeft = PixelAt(raster, 40, 5);  // blue quadrant
    EXPECT_GT(bottomLeft.blue, 200);
    EXPECT_LT(bottomLeft.red, 60);
}

TEST(JpegImage, EightBitOutputUsesThePaletteOfTheQuantiser) {
    TJPEGImage jpeg = Loaded(test::ColorJpeg(64, 48));
    jpeg.SetOutputDepth(jf8Bit);
    const Raster& raster = jpeg.GetRaster();
    ASSERT_EQ(raster.Format(), pf8bit);
    EXPECT_LE(raster.Palette().size(), 236u);
    PaletteColor topLeft = raster.Palette().at(raster.Row(5)[5]);
    EXPECT_GT(topLeft.red, 180);
    EXPECT_LT(topLeft.green, 80);
}

TEST(JpegImage, EncodingAnEightBitRasterGivesAThreeComponentFileOfItsPaletteColours) {
    Raster raster(16, 16, pf8bit);
    raster.SetPalette({{200, 0, 0}, {0, 0, 200}});
    for (std::int32_t y = 0; y < 16; ++y) {
        for (std::int32_t x = 0; x < 16; ++x)
            raster.Row(y)[x] = x < 8 ? 0 : 1;
    }
    TJPEGImage jpeg;
    jpeg.AssignRaster(raster);
    EXPECT_TRUE(jpeg.Bytes().empty());
    jpeg.Encode();
    JpegHeader header = ReadJpegHeader(jpeg.Bytes());
    EXPECT_FALSE(header.grayscale);
    EXPECT_FALSE(header.progressive);
    Raster decoded = DecodeJpeg(jpeg.Bytes(), {});
    EXPECT_GT(PixelAt(decoded, 8, 2).red, 150);
    EXPECT_GT(PixelAt(decoded, 8, 13).blue, 150);
}

TEST(JpegImage, ChangingADecodeSettingDropsTheRasterAndTheSameValueKeepsIt) {
    TJPEGImage jpeg = Loaded(test::ColorJpeg(1001, 750));
    jpeg.GetRaster();
    ASSERT_TRUE(jpeg.HasRaster());
    jpeg.SetDecodeScale(jsFullSize);
    jpeg.SetFastDecode(false);
    jpeg.SetGrayOutput(false);
    jpeg.SetOutputDepth(jf24Bit);
    EXPECT_TRUE(jpeg.HasRaster());
    jpeg.SetDecodeScale(jsHalf);
    EXPECT_FALSE(jpeg.HasRaster());
    EXPECT_EQ(jpeg.Width(), 501);
    jpeg.GetRaster();
    jpeg.SetFastDecode(true);
    EXPECT_FALSE(jpeg.HasRaster());
    jpeg.GetRaster();
    jpeg.SetGrayOutput(true);
    EXPECT_FALSE(jpeg.HasRaster());
    EXPECT_EQ(jpeg.GetRaster().Format(), pf8bit);
}

TEST(JpegImage, ScaledSizesAreRoundedUpAndMatchTheDecodedRaster) {
    TJPEGImage jpeg = Loaded(test::ColorJpeg(1001, 750));
    struct Case {
        JpegScale scale;
        std::int32_t width, height;
    };
    for (Case c : {Case{jsFullSize, 1001, 750}, Case{jsHalf, 501, 375}, Case{jsQuarter, 251, 188},
                   Case{jsEighth, 126, 94}}) {
        jpeg.SetDecodeScale(c.scale);
        EXPECT_EQ(jpeg.Width(), c.width);
        EXPECT_EQ(jpeg.Height(), c.height);
        const Raster& raster = jpeg.GetRaster();
        EXPECT_EQ(raster.Width(), c.width);
        EXPECT_EQ(raster.Height(), c.height);
    }
}

TEST(JpegImage, EmptyPictureEncodesToNoBytesAndSavesAZeroByteFile) {
    test::TempDir dir;
    TJPEGImage nothing;
    nothing.Encode();
    EXPECT_TRUE(nothing.Bytes().empty());
    nothing.SaveToFile(dir / "a.jpg");
    EXPECT_EQ(test::ReadFile(dir / "a.jpg"), "");

    TJPEGImage zeroWide;
    zeroWide.AssignRaster(Raster(0, 10, pf24bit));
    zeroWide.SaveToFile(dir / "b.jpg");
    EXPECT_EQ(test::ReadFile(dir / "b.jpg"), "");
}

TEST(JpegImage, ZeroByteFileLoadsAsZeroByZeroAndCannotBeDecoded) {
    test::TempDir dir;
    test::WriteFile(dir / "empty.jpg", "");
    TJPEGImage jpeg;
    jpeg.LoadFromFile(dir / "empty.jpg");
    EXPECT_EQ(jpeg.Width(), 0);
    EXPECT_EQ(jpeg.Height(), 0);
    EXPECT_THROW(jpeg.GetRaster(), EJPEG);
}

TEST(JpegImage, TextFileNamedJpgRaisesEJpegAtLoad) {
    test::TempDir dir;
    test::WriteFile(dir / "note.jpg", "This is not a picture.\r\n");
    TJPEGImage jpeg;
    try {
        jpeg.LoadFromFile(dir / "note.jpg");
        FAIL() << "no error";
    } catch (const EJPEG& e) {
        EXPECT_EQ(std::string(e.what()), "JPEG エラー #" + std::to_string(e.Code()));
        EXPECT_GT(e.Code(), 0);
    }
}

TEST(JpegImage, MissingFileRaisesTheOpenError) {
    TJPEGImage jpeg;
    EXPECT_THROW(jpeg.LoadFromFile("/nonexistent/folder/x.jpg"), EFOpenError);
}

TEST(JpegImage, SizeOfAJpegPictureCannotBeChanged) {
    TJPEGImage jpeg = Loaded(test::ColorJpeg(8, 8));
    try {
        jpeg.SetWidth(4);
        FAIL() << "no error";
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_STREQ(e.what(), "JPEG イメージのサイズは変更できません");
    }
    EXPECT_THROW(jpeg.SetHeight(4), EInvalidGraphicOperation);
    EXPECT_EQ(jpeg.Width(), 8);
}

TEST(JpegImage, CopiesShareTheCompressedBytesAndOwnTheirRaster) {
    TJPEGImage jpeg = Loaded(test::ColorJpeg(32, 32));
    jpeg.GetRaster();
    TJPEGImage copy = jpeg;
    EXPECT_EQ(copy.Bytes().data(), jpeg.Bytes().data());
    EXPECT_TRUE(copy.HasRaster());
    copy.SetDecodeScale(jsHalf);
    EXPECT_TRUE(jpeg.HasRaster());
    EXPECT_EQ(jpeg.Width(), 32);
}

TEST(JpegImage, ProgressiveFileLoadsDecodesAndSetsProgressiveOutput) {
    TJPEGImage jpeg = Loaded(test::ColorJpeg(120, 90, true));
    EXPECT_TRUE(jpeg.ProgressiveOutput());
    jpeg.SetDecodeScale(jsQuarter);
    EXPECT_EQ(jpeg.GetRaster().Width(), 30);
    EXPECT_GT(PixelAt(jpeg.GetRaster(), 2, 2).red, 180);
    jpeg.LoadFromBytes(test::ColorJpeg(8, 8));
    EXPECT_FALSE(jpeg.ProgressiveOutput());
}

TEST(JpegImage, TruncatedFileDecodesWithWhatIsThere) {
    std::string bytes = test::ColorJpeg(200, 160);
    TJPEGImage jpeg = Loaded(bytes.substr(0, bytes.size() / 2));
    const Raster& raster = jpeg.GetRaster();
    EXPECT_EQ(raster.Width(), 200);
    EXPECT_GT(PixelAt(raster, 4, 4).red, 180);  // the top rows arrived
}

TEST(JpegImage, CorruptScanDataNeverCrashes) {
    std::string bytes = test::ColorJpeg(64, 64, true);
    for (std::size_t i = bytes.size() / 3; i < bytes.size() - 2; i += 7)
        bytes[i] = '\xFF';
    TJPEGImage jpeg;
    try {
        jpeg.LoadFromBytes(bytes);
        const Raster& raster = jpeg.GetRaster();
        EXPECT_EQ(raster.Width(), 64);
    } catch (const EInvalidGraphic&) {
        // an unreadable picture is an acceptable outcome
    }
}

TEST(JpegImage, CmykAndYcckFilesDecodeToTheirColours) {
    struct Case {
        const char* name;
        std::uint8_t inks[4];
        bool ycck, adobe;
        int red, green, blue;
    };
    // Adobe files store inverted inks: 255 is no ink. (255, 0, 255, 255) there is full magenta.
    for (const Case& c : {Case{"cmyk adobe", {255, 0, 255, 255}, false, true, 255, 0, 255},
                          Case{"ycck adobe", {255, 0, 255, 255}, true, true, 255, 0, 255},
                          Case{"ycck adobe red", {255, 0, 0, 255}, true, true, 255, 0, 0},
                          Case{"cmyk plain", {0, 255, 0, 0}, false, false, 255, 0, 255},
                          Case{"cmyk plain black", {0, 0, 0, 255}, false, false, 0, 0, 0}}) {
        SCOPED_TRACE(c.name);
        TJPEGImage jpeg = Loaded(test::InkJpeg(24, 16, c.inks, c.ycck, c.adobe));
        for (JpegScale scale : {jsFullSize, jsHalf}) {
            jpeg.SetDecodeScale(scale);
            const Raster& raster = jpeg.GetRaster();
            ASSERT_EQ(raster.Format(), pf24bit);
            EXPECT_EQ(raster.Width(), scale == jsFullSize ? 24 : 12);
            test::Bgr p = test::PixelAt(raster, 4, 4);
            EXPECT_NEAR(p.red, c.red, 3);
            EXPECT_NEAR(p.green, c.green, 3);
            EXPECT_NEAR(p.blue, c.blue, 3);
        }
    }
}

TEST(JpegImage, HugeDeclaredSizeIsAnUnreadablePictureNotACrash) {
    TJPEGImage baseline = Loaded(test::HugeHeaderJpeg(65500, 65500, false));
    EXPECT_EQ(baseline.Width(), 65500);
    EXPECT_THROW(baseline.GetRaster(), EInvalidGraphic);  // 12 GiB of pixels

    // Progressive decoding keeps the whole picture's coefficients, even at an eighth.
    TJPEGImage progressive = Loaded(test::HugeHeaderJpeg(65500, 65500, true));
    progressive.SetDecodeScale(jsEighth);
    EXPECT_THROW(progressive.GetRaster(), EInvalidGraphic);
}

TEST(JpegImage, EndlessScansAreAnUnreadablePicture) {
    TJPEGImage fine = Loaded(test::ManyScansJpeg(20));
    EXPECT_EQ(fine.GetRaster().Width(), 16);
    TJPEGImage endless = Loaded(test::ManyScansJpeg(kMaxScans + 10));
    EXPECT_THROW(endless.GetRaster(), EInvalidGraphic);
}

TEST(JpegImage, EncodeUsesQualityGrayAndProgressiveSettings) {
    Raster raster = test::QuadrantRaster(64, 64);
    TJPEGImage low, high;
    low.AssignRaster(raster);
    high.AssignRaster(raster);
    low.SetEncodeQuality(10);
    high.SetEncodeQuality(95);
    low.Encode();
    high.Encode();
    EXPECT_LT(low.Bytes().size(), high.Bytes().size());

    TJPEGImage gray;
    gray.SetGrayOutput(true);  // a decode setting too: changing it drops a raster
    gray.SetProgressiveOutput(true);
    gray.AssignRaster(raster);
    gray.Encode();
    JpegHeader header = ReadJpegHeader(gray.Bytes());
    EXPECT_TRUE(header.grayscale);
    EXPECT_TRUE(header.progressive);
}

}  // namespace
}  // namespace albumon
