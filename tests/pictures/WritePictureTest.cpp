// Writing an entry's output picture and thumbnail: copies and turned re-encodes, thumbnail sizes
// and sampling, names, replaced files, and the failures of sources and targets.
#include <gtest/gtest.h>

#include "FileSystem.h"
#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "TestSupport.h"
#include "codecs/JpegCodec.h"
#include "metadata/JpegSegments.h"
#include "pixels/GraphicErrors.h"
#include "renditions/Images.h"
#include "renditions/OutputPictures.h"
#include "renditions/Thumbnails.h"

namespace albumon {
namespace {

constexpr int kPanel = 244;

class WritePictureTest : public ::testing::Test {
  protected:
    std::string Source(const std::string& bytes, const std::string& name = "source.jpg") {
        std::string path = dir_ / ("in/" + name);
        test::WriteFile(path, bytes);
        return path;
    }
    std::string Target(const std::string& name = "無題001.jpg") {
        return dir_ / ("無題.files/" + name);
    }
    std::string Thumb(const std::string& name = "無題001.jpg") {
        return dir_ / ("無題.files/$_" + name);
    }
    void Write(const std::string& source, int rotation, int quality = 50, int thumbSize = 64) {
        WritePicture(view_, source, Target(), "$_", rotation, kPanel, thumbSize, quality, true);
    }
    Raster Decoded(const std::string& path) { return DecodeJpeg(test::ReadFile(path), {}); }

    void SetUp() override { test::WriteFile(dir_ / "無題.files/.keep", ""); }

    test::TempDir dir_;
    PictureView view_;
};

TEST_F(WritePictureTest, UnturnedEntryIsCopiedByteForByteWhateverTheQuality) {
    std::string bytes = test::ColorJpeg(1600, 1200);
    std::string source = Source(bytes);
    for (int quality : {1, 50, 100}) {
        Write(source, 0, quality);
        EXPECT_EQ(test::ReadFile(Target()), bytes);
    }
    // The save held only the preview-scale decode the thumbnail was sampled from.
    ASSERT_NE(view_.Jpeg(), nullptr);
    EXPECT_EQ(view_.Jpeg()->DecodeScale(), jsEighth);
    EXPECT_EQ(view_.PictureRaster().Width(), 200);
}

TEST_F(WritePictureTest, ThumbnailSizesFollowTheLongSide) {
    struct Case {
        std::int32_t width, height, thumbWidth, thumbHeight;
    };
    for (Case c : {Case{1600, 1200, 64, 48}, Case{640, 480, 64, 48}, Case{480, 640, 48, 64},
                   Case{50, 40, 64, 51}, Case{300, 300, 64, 64}, Case{3000, 10, 64, 1}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        Write(Source(test::ColorJpeg(c.width, c.height)), 0);
        JpegHeader header = ReadJpegHeader(test::ReadFile(Thumb()));
        EXPECT_EQ(header.width, c.thumbWidth);
        EXPECT_EQ(header.height, c.thumbHeight);
        EXPECT_FALSE(header.grayscale);
    }
}

TEST_F(WritePictureTest, ThumbnailSamplingTakesNearestPixelsCountedFromTheBottomLeft) {
    // 200 x 150 as decoded from 1600 x 1200 at an eighth; the step is 3.125.
    Raster source(200, 150, pf8bit);
    for (std::int32_t y = 0; y < 150; ++y) {
        for (std::int32_t x = 0; x < 200; ++x)
            source.Row(y)[x] = static_cast<std::uint8_t>(x);
    }
    Raster thumb = SampleThumbnail(source, 64);
    ASSERT_EQ(thumb.Width(), 64);
    ASSERT_EQ(thumb.Height(), 48);
    std::vector<int> columns(thumb.Row(0), thumb.Row(0) + 9);
    EXPECT_EQ(columns, (std::vector<int>{0, 3, 6, 9, 12, 15, 18, 21, 25}));
    EXPECT_EQ(thumb.Row(0)[63], 196);

    for (std::int32_t y = 0; y < 150; ++y) {
        for (std::int32_t x = 0; x < 200; ++x)
            source.Row(y)[x] = static_cast<std::uint8_t>(149 - y);
    }
    thumb = SampleThumbnail(source, 64);
    // Thumbnail row j from the bottom takes source row trunc(j * 3.125) from the bottom.
    for (std::int32_t j : {0, 1, 2, 8, 47}) {
        EXPECT_EQ(thumb.Row(47 - j)[0], static_cast<int>(j * 3.125)) << j;
    }
}

TEST_F(WritePictureTest, SmallPictureIsEnlargedByRepeatingPixels) {
    Raster source(50, 40, pf8bit);
    for (std::int32_t y = 0; y < 40; ++y) {
        for (std::int32_t x = 0; x < 50; ++x)
            source.Row(y)[x] = static_cast<std::uint8_t>(x);
    }
    Raster thumb = SampleThumbnail(source, 64);
    ASSERT_EQ(thumb.Width(), 64);
    ASSERT_EQ(thumb.Height(), 51);
    std::vector<int> columns(thumb.Row(0), thumb.Row(0) + 6);
    EXPECT_EQ(columns, (std::vector<int>{0, 0, 1, 2, 3, 3}));  // step 0.78125
}

TEST_F(WritePictureTest, TurnedEntryIsReencodedTurnedWithItsThumbnailTurnedAlike) {
    std::string source = Source(test::ColorJpeg(640, 480));
    Write(source, 1, 90);
    Raster output = Decoded(Target());
    ASSERT_EQ(output.Width(), 480);
    ASSERT_EQ(output.Height(), 640);
    // A quarter turn clockwise brings the red top-left quadrant to the top right.
    EXPECT_GT(test::PixelAt(output, 100, 400).red, 180);
    EXPECT_GT(test::PixelAt(output, 100, 80).blue, 180);
    Raster thumb = Decoded(Thumb());
    ASSERT_EQ(thumb.Width(), 48);
    ASSERT_EQ(thumb.Height(), 64);
    EXPECT_GT(test::PixelAt(thumb, 10, 40).red, 180);
    EXPECT_GT(test::PixelAt(thumb, 10, 8).blue, 180);

    Write(source, 3, 90);
    output = Decoded(Target());
    EXPECT_EQ(output.Width(), 480);
    EXPECT_GT(test::PixelAt(output, 540, 80).red, 180);  // top left goes to bottom left

    Write(source, 2, 90);
    output = Decoded(Target());
    ASSERT_EQ(output.Width(), 640);
    ASSERT_EQ(output.Height(), 480);
    EXPECT_GT(test::PixelAt(output, 400, 600).red, 180);
    EXPECT_GT(test::PixelAt(output, 400, 40).green, 180);  // top right goes to bottom left
    EXPECT_LT(test::PixelAt(output, 400, 40).red, 80);
}

TEST_F(WritePictureTest, TurnedOutputIsEncodedAtTheChosenQuality) {
    std::string source = Source(test::ColorJpeg(640, 480));
    Write(source, 2, 10);
    auto low = test::ReadFile(Target()).size();
    Write(source, 2, 95);
    auto high = test::ReadFile(Target()).size();
    EXPECT_LT(low, high);
    EXPECT_EQ(view_.Class(), pcJPEG);  // the view holds the re-encoded picture
    EXPECT_TRUE(view_.AutoSize);
    EXPECT_EQ(view_.Width, 640);
}

TEST_F(WritePictureTest, GraySourceGivesThreeComponentThumbnailAndOutput) {
    std::string bytes = test::GrayJpeg(320, 240);
    std::string source = Source(bytes);
    Write(source, 0);
    EXPECT_EQ(test::ReadFile(Target()), bytes);
    JpegHeader thumb = ReadJpegHeader(test::ReadFile(Thumb()));
    EXPECT_FALSE(thumb.grayscale);
    Raster pixels = Decoded(Thumb());
    test::Bgr p = test::PixelAt(pixels, 20, 30);
    EXPECT_NEAR(p.red, p.blue, 6);
    EXPECT_NEAR(p.red, p.green, 6);

    Write(source, 1);
    JpegHeader output = ReadJpegHeader(test::ReadFile(Target()));
    EXPECT_FALSE(output.grayscale);
    EXPECT_EQ(output.width, 240);
    EXPECT_EQ(output.height, 320);
}

TEST_F(WritePictureTest, ThumbnailKeepsOnlyAColourProfileNoLargerThanItself) {
    // The same pictures with no profile, a small one and one larger than any thumbnail; the
    // large one is a wide gamut, so its thumbnail's colours are converted to sRGB.
    const struct {
        std::string icc;
        bool kept;
    } cases[] = {{"", false}, {test::WideProfile(0), true}, {test::WideProfile(20000), false}};
    const Raster upright = test::QuadrantRaster(1600, 1200);
    for (int rotation : {0, 1}) {
        const std::string plain =
            *MakeThumbnail(view_, Source(EncodeJpeg(upright, {})), rotation, kPanel, 64);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(c.icc.size()) + " bytes, turns " +
                         std::to_string(rotation));
            EncodeOptions options;
            options.icc = c.icc;
            const std::string source = Source(EncodeJpeg(upright, options));
            const std::string thumb = *MakeThumbnail(view_, source, rotation, kPanel, 64);
            const std::string icc = ReadJpegHeader(thumb).icc;
            EXPECT_EQ(icc, c.kept ? c.icc : "");
            const std::vector<std::uint8_t> a = test::PixelBytes(DecodeJpeg(thumb, {}));
            const std::vector<std::uint8_t> b = test::PixelBytes(DecodeJpeg(plain, {}));
            ASSERT_EQ(a.size(), b.size());
            int most = 0;  // the largest change of a channel
            for (std::size_t i = 0; i < a.size(); ++i)
                most = std::max(most, std::abs(a[i] - b[i]));
            if (c.kept || c.icc.empty()) {
                ASSERT_LE(c.icc.size(), plain.size());
                EXPECT_EQ(most, 0) << "pixels as encoded";
            } else {
                EXPECT_GT(most, 10) << "colours converted";
            }
        }
    }
}

TEST_F(WritePictureTest, ThumbnailLiesBesideTheOutputPictureWithThePrefix) {
    EXPECT_EQ(ThumbnailPath("/d/album/無題.files/無題001.jpg", "$_"),
              "/d/album/無題.files/$_無題001.jpg");
    EXPECT_EQ(ThumbnailPath("photo.JPEG", "t_"), "t_photo.JPEG");
    Write(Source(test::ColorJpeg(100, 80)), 0);
    EXPECT_EQ(test::FolderNames(dir_ / "無題.files"),
              (std::vector<std::string>{"$_無題001.jpg", ".keep", "無題001.jpg"}));
}

TEST_F(WritePictureTest, FilesAlreadyThereAreReplacedOnBothPaths) {
    std::string source = Source(test::ColorJpeg(100, 80));
    for (int rotation : {0, 1}) {
        test::WriteFile(Target(), "old picture");
        test::WriteFile(Thumb(), "old thumbnail");
        Write(source, rotation);
        EXPECT_EQ(ReadJpegHeader(test::ReadFile(Target())).width, rotation ? 80 : 100);
        EXPECT_EQ(ReadJpegHeader(test::ReadFile(Thumb())).width, rotation ? 51 : 64);
    }
}

TEST_F(WritePictureTest, SavingAPictureOntoItselfKeepsIt) {
    std::string bytes = test::ColorJpeg(100, 80);
    test::WriteFile(Target(), bytes);
    WritePicture(view_, Target(), Target(), "$_", 0, kPanel, 64, 50, true);
    EXPECT_EQ(test::ReadFile(Target()), bytes);
    WritePicture(view_, Target(), Target(), "$_", 1, kPanel, 64, 50, true);
    EXPECT_EQ(ReadJpegHeader(test::ReadFile(Target())).width, 80);
}

TEST_F(WritePictureTest, MissingSourceStopsBeforeEitherFile) {
    std::string source = dir_ / "in/gone.jpg";
    EXPECT_THROW(Write(source, 0), EFOpenError);
    EXPECT_THROW(Write(source, 1), EFOpenError);
    EXPECT_EQ(test::FolderNames(dir_ / "無題.files"), (std::vector<std::string>{".keep"}));
}

TEST_F(WritePictureTest, UndecodableSourceGetsANoPreviewThumbnailAndIsCopiedUnchanged) {
    struct Case {
        std::string name, bytes;
        std::int32_t thumbWidth, thumbHeight;  // turned a quarter: exchanged
    };
    const Raster noPreview = NoPreviewRaster(64, 29);
    // 12-bit samples, which this library build does not decode; its frame header gives the size.
    std::string twelveBit = test::ColorJpeg(640, 480);
    twelveBit[twelveBit.find(std::string("\xFF\xC0", 2)) + 4] = 12;
    // A valid header whose quantisation tables are missing: the decode fails after it.
    std::string noTables = test::ColorJpeg(640, 480);
    const std::vector<JpegSegment> segments = HeaderSegments(noTables);
    for (auto it = segments.rbegin(); it != segments.rend(); ++it) {
        if (it->marker == 0xDB)
            noTables.erase(it->offset, it->length);
    }
    for (const Case& c :
         {Case{"text.jpg", "not a picture", 64, 64}, Case{"empty.jpg", "", 64, 64},
          Case{"huge.jpg", test::HugeHeaderJpeg(65500, 30000, true), 64, 29},
          Case{"twelve.jpg", twelveBit, 64, 48}, Case{"notables.jpg", noTables, 64, 48}}) {
        for (int rotation : {0, 1}) {
            SCOPED_TRACE(c.name + " rotation " + std::to_string(rotation));
            std::remove(Target().c_str());
            std::remove(Thumb().c_str());
            const std::string source = Source(c.bytes, c.name);
            Write(source, rotation);
            EXPECT_EQ(test::ReadFile(Target()), c.bytes);
            JpegHeader header = ReadJpegHeader(test::ReadFile(Thumb()));
            EXPECT_EQ(header.width, rotation == 0 ? c.thumbWidth : c.thumbHeight);
            EXPECT_EQ(header.height, rotation == 0 ? c.thumbHeight : c.thumbWidth);
            bool flagged = false;
            PictureView worker;
            EXPECT_TRUE(MakeThumbnail(worker, source, rotation, kPanel, 64, &flagged));
            EXPECT_TRUE(flagged);
            OutputPicture output = MakeOutputPicture(worker, source, rotation, 50);
            EXPECT_TRUE(output.copySource);
            EXPECT_EQ(output.turnFailed, rotation != 0);
        }
    }
    // The "no preview" picture is a neutral frame with two diagonals.
    EXPECT_EQ(noPreview.Palette().size(), 2u);
    EXPECT_EQ(noPreview.Row(0)[10], 1);
    EXPECT_EQ(noPreview.Row(14)[10], 0);
}

TEST_F(WritePictureTest, HugeBaselineSourceIsCopiedWhenItCannotBeTurned) {
    std::string bytes = test::HugeHeaderJpeg(65500, 65500, false);
    WritePicture(view_, Source(bytes), Target(), "$_", 1, kPanel, 64, 50, false);
    EXPECT_EQ(test::ReadFile(Target()), bytes);
    for (bool lossless : {false, true}) {
        OutputPicture output = MakeOutputPicture(view_, Source(bytes), 1, 50, {lossless, false});
        EXPECT_TRUE(output.copySource);
        EXPECT_TRUE(output.turnFailed);
    }
}

TEST_F(WritePictureTest, DamagedButReadableSourcesStillGiveBothFiles) {
    std::string truncated = test::ColorJpeg(640, 480);
    truncated.resize(truncated.size() / 2);
    for (const std::string& bytes : {truncated, test::ColorJpeg(640, 480, true)}) {
        Write(Source(bytes), 1);
        EXPECT_EQ(ReadJpegHeader(test::ReadFile(Target())).width, 480);
        EXPECT_EQ(ReadJpegHeader(test::ReadFile(Thumb())).width, 48);
    }
}

TEST_F(WritePictureTest, UnwritableTargetRaisesTheCreateErrorAtTheThumbnailFirst) {
    std::string source = Source(test::ColorJpeg(100, 80));
    std::string target = dir_ / "missing folder/無題001.jpg";
    try {
        WritePicture(view_, source, target, "$_", 0, kPanel, 64, 50, true);
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "ファイル " + dir_ / "missing folder/$_無題001.jpg" + " を作成できません");
    }
    // Without a thumbnail the failing plain copy is reported too, not passed over.
    for (int rotation : {0, 1}) {
        try {
            WritePicture(view_, source, target, "$_", rotation, kPanel, 64, 50, false);
            FAIL() << "no error";
        } catch (const EFCreateError& e) {
            EXPECT_EQ(std::string(e.what()), "ファイル " + target + " を作成できません");
        }
    }
}

TEST_F(WritePictureTest, ComputedPartsWrittenLaterGiveTheSameFiles) {
    std::string source = Source(test::ColorJpeg(640, 480));
    Write(source, 1, 60);
    std::string picture = test::ReadFile(Target());
    std::string thumbnail = test::ReadFile(Thumb());

    PictureView worker;
    std::optional<std::string> thumb = MakeThumbnail(worker, source, 1, kPanel, 64);
    OutputPicture output = MakeOutputPicture(worker, source, 1, 60);
    ASSERT_TRUE(thumb.has_value());
    EXPECT_EQ(*thumb, thumbnail);
    EXPECT_FALSE(output.copySource);
    EXPECT_EQ(output.bytes, picture);
    EXPECT_TRUE(MakeOutputPicture(worker, source, 0, 60).copySource);
}

}  // namespace
}  // namespace albumon
