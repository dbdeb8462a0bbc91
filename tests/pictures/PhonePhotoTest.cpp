// Photos as phones store them: EXIF orientation 1-8 in the preview, the thumbnail and turned
// outputs, colour profiles carried over, EXIF of turned outputs, lossless turns and their
// fallback, and GPS data left out on request.
#include <gtest/gtest.h>

#include <cstdlib>

#include "FileSystem.h"
#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "TestSupport.h"
#include "codecs/JpegCodec.h"
#include "metadata/JpegSegments.h"
#include "pixels/Orientation.h"
#include "pixels/RasterTurns.h"
#include "renditions/Images.h"
#include "renditions/OutputPictures.h"
#include "renditions/Thumbnails.h"

namespace albumon {
namespace {

constexpr int kPanel = 244;

using test::Quadrants;

// The upright picture: landscape, red top left, green top right, blue bottom left.
const std::vector<int> kUpright = {0, 1, 2, 3};
// The same after a quarter turn clockwise.
const std::vector<int> kTurnedRight = {2, 0, 3, 1};

Raster Decoded(const std::string& bytes) {
    Raster raster = DecodeJpeg(bytes, {});
    return raster.Format() == pf24bit ? raster : Raster();
}

std::string EntropyData(const std::string& jpeg) {
    std::vector<JpegSegment> segments = HeaderSegments(jpeg);
    const JpegSegment& last = segments.back();
    return jpeg.substr(last.offset + last.length);
}

class PhonePhotoTest : public ::testing::Test {
  protected:
    std::string Source(const std::string& bytes, const std::string& name = "phone.jpg") {
        std::string path = dir_ / name;
        test::WriteFile(path, bytes);
        return path;
    }
    std::string Thumbnail(const std::string& source, int rotation) {
        std::optional<std::string> thumb = MakeThumbnail(view_, source, rotation, kPanel, 64);
        return thumb ? *thumb : std::string();
    }
    OutputPicture Output(const std::string& source, int rotation, bool lossless, bool strip) {
        return MakeOutputPicture(view_, source, rotation, 80, {lossless, strip});
    }

    test::TempDir dir_;
    PictureView view_;
    const Raster upright_ = test::QuadrantRaster(640, 480);
};

TEST_F(PhonePhotoTest, EveryOrientationShowsUprightInPreviewThumbnailAndTurnedOutput) {
    for (int tag = 1; tag <= 8; ++tag) {
        SCOPED_TRACE("orientation " + std::to_string(tag));
        const std::string source = Source(test::PhoneJpeg(upright_, {tag}));
        LoadPicture(view_, source, 0, kPanel);
        ASSERT_NE(view_.DisplayRaster(), nullptr);
        EXPECT_EQ(Quadrants(*view_.DisplayRaster()), kUpright);
        EXPECT_GT(view_.Width, view_.Height);  // placed as a landscape picture

        const Raster thumb = Decoded(Thumbnail(source, 0));
        EXPECT_EQ(thumb.Width(), 64);
        EXPECT_EQ(thumb.Height(), 48);
        EXPECT_EQ(Quadrants(thumb), kUpright);
        // The user's quarter turn comes on top of the tag.
        EXPECT_EQ(Quadrants(Decoded(Thumbnail(source, 1))), kTurnedRight);

        for (bool lossless : {false, true}) {
            SCOPED_TRACE(lossless ? "lossless" : "re-encoded");
            OutputPicture output = Output(source, 1, lossless, false);
            ASSERT_FALSE(output.copySource);
            EXPECT_FALSE(output.losslessFellBack);
            const Raster turned = Decoded(output.bytes);
            EXPECT_EQ(turned.Width(), 480);
            EXPECT_EQ(Quadrants(turned), kTurnedRight);
            const test::ExifFacts exif = test::ReadExifFacts(output.bytes);
            EXPECT_EQ(exif.orientation, 1);
            EXPECT_EQ(exif.model, "Pocket 12");
            EXPECT_EQ(exif.dateTaken, "2026:05:04 10:11:12");
            EXPECT_TRUE(exif.exposure);
            EXPECT_TRUE(exif.gps);
            EXPECT_FALSE(exif.thumbnail);
        }
        // Unturned, the file is the source's own bytes: the browser applies the tag.
        EXPECT_TRUE(Output(source, 0, true, false).copySource);
    }
}

TEST_F(PhonePhotoTest, ColourProfileReachesTurnedOutputsButNoThumbnailItOutweighs) {
    struct Case {
        int tag, rotation;
        bool lossless;
    };
    for (Case c : {Case{0, 1, false}, Case{6, 0, false}, Case{6, 2, false}, Case{3, 1, true},
                   Case{8, 3, true}}) {
        SCOPED_TRACE(std::to_string(c.tag) + " " + std::to_string(c.rotation));
        const std::string source = Source(test::PhoneJpeg(upright_, {c.tag}));
        // The 3000-byte profile is larger than a 64-pixel thumbnail: converted instead.
        const std::string thumbnail = Thumbnail(source, c.rotation);
        EXPECT_LT(thumbnail.size(), test::TestProfile().size());
        EXPECT_TRUE(ReadJpegHeader(thumbnail).icc.empty());
        if (c.rotation != 0) {
            OutputPicture output = Output(source, c.rotation, c.lossless, false);
            EXPECT_EQ(ReadJpegHeader(output.bytes).icc, test::TestProfile());
        }
    }
    // Without a profile in the source, none is made up.
    const std::string plain = Source(test::PhoneJpeg(upright_, {6, true, true, false}));
    EXPECT_TRUE(ReadJpegHeader(Thumbnail(plain, 0)).icc.empty());
}

TEST_F(PhonePhotoTest, LosslessTurnKeepsTablesAndMatchesADecodedTurn) {
    for (int tag = 1; tag <= 8; ++tag) {
        for (int rotation : {1, 2, 3}) {
            SCOPED_TRACE(std::to_string(tag) + " turned " + std::to_string(rotation));
            const std::string bytes = test::PhoneJpeg(upright_, {tag});
            OutputPicture output = Output(Source(bytes), rotation, true, false);
            ASSERT_FALSE(output.losslessFellBack);
            // The decoded source, shown as the tag asks and turned, pixel by pixel.
            Raster expected = Decoded(bytes);
            Orientation o = OrientationForTag(tag).Then(rotation);
            if (o.mirror)
                MirrorInPlace(expected);
            expected = o.quarters == 1   ? TurnedRight(expected)
                       : o.quarters == 2 ? Turned180(expected)
                       : o.quarters == 3 ? TurnedLeft(expected)
                                         : expected;
            const Raster actual = Decoded(output.bytes);
            ASSERT_EQ(actual.Width(), expected.Width());
            ASSERT_EQ(actual.Height(), expected.Height());
            int worst = 0;
            for (std::int32_t y = 0; y < actual.Height(); ++y) {
                for (std::int64_t i = 0; i < std::int64_t{actual.Width()} * 3; ++i)
                    worst = std::max(worst, std::abs(actual.Row(y)[i] - expected.Row(y)[i]));
            }
            EXPECT_LE(worst, 2);
            // Nothing quantised again: the tables hold the same values (transposed with the
            // coefficients for quarter turns).
            std::vector<std::vector<int>> tables = test::QuantTables(bytes);
            if (o.Quarter()) {
                for (std::vector<int>& table : tables) {
                    std::vector<int> transposed(64);
                    for (int k = 0; k < 64; ++k)
                        transposed[k % 8 * 8 + k / 8] = table[k];
                    table = transposed;
                }
            }
            EXPECT_EQ(test::QuantTables(output.bytes), tables);
        }
    }
}

TEST_F(PhonePhotoTest, SizesWithoutAPerfectTransformFallBackToTheReEncode) {
    struct Case {
        std::int32_t width, height;
        int rotation;
        bool perfect;
    };
    // Blocks of 16 x 16 (4:2:0): a partial block column may only stay at the right edge, a
    // partial block row at the bottom edge.
    for (Case c : {Case{648, 480, 1, true}, Case{648, 480, 2, false}, Case{648, 480, 3, false},
                   Case{640, 488, 1, false}, Case{640, 488, 3, true}, Case{650, 490, 2, false}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " turned " +
                     std::to_string(c.rotation));
        const std::string source =
            Source(test::PhoneJpeg(test::QuadrantRaster(c.width, c.height), {1}));
        OutputPicture lossless = Output(source, c.rotation, true, false);
        OutputPicture reencoded = Output(source, c.rotation, false, false);
        EXPECT_EQ(lossless.losslessFellBack, !c.perfect);
        EXPECT_FALSE(reencoded.losslessFellBack);
        if (c.perfect) {
            EXPECT_NE(lossless.bytes, reencoded.bytes);
        } else {
            EXPECT_EQ(lossless.bytes, reencoded.bytes);  // today's re-encode, never cropped
        }
        const JpegHeader header = ReadJpegHeader(lossless.bytes);
        EXPECT_EQ(header.width, c.rotation == 2 ? c.width : c.height);
    }
}

TEST_F(PhonePhotoTest, LocationIsLeftOutOnlyWhenAsked) {
    const std::string bytes = test::PhoneJpeg(upright_, {6});
    const std::string source = Source(bytes);
    struct Case {
        int rotation;
        bool lossless, strip;
    };
    for (Case c : {Case{0, false, false}, Case{0, false, true}, Case{1, false, false},
                   Case{1, false, true}, Case{3, true, false}, Case{3, true, true}}) {
        SCOPED_TRACE(std::to_string(c.rotation) + (c.lossless ? " lossless" : "") +
                     (c.strip ? " stripped" : ""));
        OutputPicture output = Output(source, c.rotation, c.lossless, c.strip);
        const std::string written = output.copySource ? bytes : output.bytes;
        const test::ExifFacts exif = test::ReadExifFacts(written);
        EXPECT_EQ(exif.gps, !c.strip);
        EXPECT_EQ(exif.model, "Pocket 12");
        if (c.rotation == 0) {
            EXPECT_EQ(output.copySource, !c.strip);
            EXPECT_EQ(exif.orientation, 6);
            EXPECT_EQ(EntropyData(written), EntropyData(bytes));  // the picture itself untouched
            EXPECT_EQ(ReadJpegHeader(written).icc, test::TestProfile());
        }
        // Thumbnails never carry EXIF.
        EXPECT_TRUE(ExifPayload(Thumbnail(source, c.rotation)).empty());
    }
    // Location written as XMP goes too; the rest of the file stays.
    const std::string xmp = std::string("http://ns.adobe.com/xap/1.0/\0", 29) +
                            "<x:xmpmeta><rdf:Description exif:GPSLatitude=\"35,39.48N\"/>"
                            "</x:xmpmeta>";
    const std::string withXmp =
        bytes.substr(0, 2) + "\xFF\xE1" +
        std::string{char((xmp.size() + 2) >> 8), char((xmp.size() + 2) & 0xFF)} + xmp +
        bytes.substr(2);
    const std::string xmpSource = Source(withXmp, "xmp.jpg");
    for (int rotation : {0, 1}) {
        for (bool lossless : {false, true}) {
            OutputPicture output = Output(xmpSource, rotation, lossless, true);
            ASSERT_FALSE(output.copySource);
            EXPECT_EQ(output.bytes.find("GPSLatitude"), std::string::npos);
            EXPECT_FALSE(test::ReadExifFacts(output.bytes).gps);
            if (rotation == 0) {
                EXPECT_EQ(EntropyData(output.bytes), EntropyData(bytes));
            }
        }
        EXPECT_TRUE(Output(xmpSource, 0, false, false).copySource);
    }
    // A photo without GPS data is copied as it is, even with the option on.
    const std::string noGps = Source(test::PhoneJpeg(upright_, {6, false}), "nogps.jpg");
    EXPECT_TRUE(Output(noGps, 0, false, true).copySource);
}

TEST_F(PhonePhotoTest, PicturesWithoutTagsAreWrittenAsBefore) {
    const std::string bytes = test::ColorJpeg(640, 480);
    const std::string source = Source(bytes);
    const Raster full = DecodeJpeg(bytes, {});
    for (int rotation : {1, 2, 3}) {
        for (bool strip : {false, true}) {
            OutputPicture output = Output(source, rotation, false, strip);
            EncodeOptions options;
            options.quality = 80;
            options.turn = TurnForRotation(rotation);
            EXPECT_TRUE(output.bytes == EncodeJpeg(full, options));
        }
        DecodeOptions preview;
        preview.scale = jsHalf;  // 640 wide in a 240 panel
        preview.fast = true;
        Raster shown = DecodeJpeg(bytes, preview);
        shown = rotation == 1   ? TurnedRight(shown)
                : rotation == 2 ? Turned180(shown)
                                : TurnedLeft(shown);
        EncodeOptions thumbOptions;
        thumbOptions.quality = 75;
        EXPECT_TRUE(Thumbnail(source, rotation) ==
                    EncodeJpeg(SampleThumbnail(shown, 64), thumbOptions));
    }
    EXPECT_TRUE(Output(source, 0, true, true).copySource);
}

}  // namespace
}  // namespace albumon
