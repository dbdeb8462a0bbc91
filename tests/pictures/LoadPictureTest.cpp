// Loading a picture into the preview: which files load, the fit into the panel, the decode scale
// picked from the long side, and turned loads.
#include <gtest/gtest.h>

#include "PictureFixtures.h"
#include "TestSupport.h"
#include "pixels/GraphicErrors.h"
#include "renditions/Images.h"

namespace albumon {
namespace {

constexpr int kPanel = 244;

std::vector<int> Placement(const PictureView& view) {
    return {view.Left, view.Top, view.Width, view.Height};
}

class LoadPictureTest : public ::testing::Test {
  protected:
    std::string Jpeg(std::int32_t width, std::int32_t height, const std::string& name = "") {
        std::string path =
            dir_ /
            (name.empty() ? std::to_string(width) + "x" + std::to_string(height) + ".jpg" : name);
        test::WriteFile(path, test::ColorJpeg(width, height));
        return path;
    }
    test::TempDir dir_;
};

TEST_F(LoadPictureTest, FitTableOfTheEditingPage) {
    struct Case {
        std::int32_t width, height;
        JpegScale scale;
        std::int32_t decodedWidth, decodedHeight;
        std::vector<int> placement;
    };
    for (const Case& c : {Case{1600, 1200, jsEighth, 200, 150, {2, 30, 240, 180}},
                          Case{640, 480, jsHalf, 320, 240, {2, 30, 240, 180}},
                          Case{480, 640, jsHalf, 240, 320, {30, 2, 180, 240}},
                          Case{300, 300, jsFullSize, 300, 300, {0, 2, 240, 240}},
                          Case{200, 100, jsFullSize, 200, 100, {2, 60, 240, 120}}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        PictureView view;
        LoadPicture(view, Jpeg(c.width, c.height), 0, kPanel);
        EXPECT_EQ(Placement(view), c.placement);
        EXPECT_TRUE(view.Stretch);
        EXPECT_FALSE(view.AutoSize);
        TJPEGImage* jpeg = view.Jpeg();
        ASSERT_NE(jpeg, nullptr);
        EXPECT_FALSE(jpeg->HasRaster());  // decoded only when first needed
        EXPECT_EQ(jpeg->DecodeScale(), c.scale);
        EXPECT_TRUE(jpeg->FastDecode());
        EXPECT_EQ(jpeg->OutputDepth(), jf24Bit);
        const Raster* raster = view.DisplayRaster();
        ASSERT_NE(raster, nullptr);
        EXPECT_EQ(raster->Width(), c.decodedWidth);
        EXPECT_EQ(raster->Height(), c.decodedHeight);
    }
}

TEST_F(LoadPictureTest, LongSideThresholdsOfTheDecodeScale) {
    struct Case {
        std::int32_t longSide;
        JpegScale scale;
    };
    for (Case c : {Case{479, jsFullSize}, Case{480, jsHalf}, Case{719, jsHalf},
                   Case{720, jsQuarter}, Case{1199, jsQuarter}, Case{1200, jsEighth}}) {
        PictureView view;
        LoadPicture(view, Jpeg(c.longSide, 100), 0, kPanel);
        ASSERT_NE(view.Jpeg(), nullptr);
        EXPECT_EQ(view.Jpeg()->DecodeScale(), c.scale) << c.longSide;
    }
}

TEST_F(LoadPictureTest, LargePreviewDecodesAtAnEighth) {
    PictureView view;
    LoadPicture(view, Jpeg(6000, 4000), 0, kPanel);
    ASSERT_NE(view.Jpeg(), nullptr);
    EXPECT_EQ(view.Jpeg()->DecodeScale(), jsEighth);
    const Raster* raster = view.DisplayRaster();
    ASSERT_NE(raster, nullptr);
    EXPECT_EQ(raster->Width(), 750);
    EXPECT_EQ(raster->Height(), 500);
}

TEST_F(LoadPictureTest, ExtremelyWidePictureGetsHeightZeroWithoutError) {
    PictureView view;
    LoadPicture(view, Jpeg(3000, 10), 0, kPanel);
    EXPECT_TRUE(view.HasPicture());
    EXPECT_EQ(Placement(view), (std::vector<int>{2, 120, 240, 0}));
    ASSERT_NE(view.DisplayRaster(), nullptr);
    EXPECT_EQ(view.DisplayRaster()->Height(), 2);
}

TEST_F(LoadPictureTest, ExtensionDecidesWhatLoads) {
    // A picture name loads what the content is: JPEG data named .png is a JPEG picture.
    for (const char* name : {"photo.JPG", "photo.JPEG", "photo.jpeg", "photo.Jpg", "photo.png"}) {
        PictureView view;
        LoadPicture(view, Jpeg(40, 30, name), 0, kPanel);
        EXPECT_EQ(view.Class(), pcJPEG) << name;
    }
    for (const char* name : {"photo.jpe", "photo.gif", "photo", "jpg"}) {
        PictureView view;
        view.SetPicture(test::NumberedRaster(2, 2, pf24bit));
        LoadPicture(view, Jpeg(40, 30, name), 0, kPanel);
        EXPECT_FALSE(view.HasPicture()) << name;
    }
}

TEST_F(LoadPictureTest, UnreadableOrEmptyJpegGivesAnEmptyViewSilently) {
    test::WriteFile(dir_ / "text.jpg", "hello");
    test::WriteFile(dir_ / "empty.jpg", "");
    for (const char* name : {"text.jpg", "empty.jpg"}) {
        PictureView view;
        EXPECT_NO_THROW(LoadPicture(view, dir_ / name, 1, kPanel));
        EXPECT_FALSE(view.HasPicture()) << name;
    }
}

TEST_F(LoadPictureTest, MissingFileRaisesTheOpenErrorWithTheViewEmpty) {
    PictureView view;
    view.SetPicture(test::NumberedRaster(2, 2, pf24bit));
    std::string path = dir_ / "gone.jpg";
    try {
        LoadPicture(view, path, 0, kPanel);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "ファイル " + path + " は開けません");
    }
    EXPECT_FALSE(view.HasPicture());
}

TEST_F(LoadPictureTest, LoaderRejectsExtensionsNoPictureClassClaims) {
    PictureView view;
    try {
        view.LoadFromFile(dir_ / "x.GIF");
        FAIL() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "拡張子 .GIF の画像形式は処理できません");
    }
}

TEST_F(LoadPictureTest, StoredRotationIsReplayedLikeTheButtons) {
    std::string path = Jpeg(640, 480);
    PictureView turned;
    LoadPicture(turned, path, 1, kPanel);
    EXPECT_EQ(turned.Class(), pcRaster);
    EXPECT_EQ(Placement(turned), (std::vector<int>{30, 2, 180, 240}));
    EXPECT_EQ(turned.PictureWidth(), 240);
    EXPECT_EQ(turned.PictureHeight(), 320);

    PictureView stepped;
    LoadPicture(stepped, path, 0, kPanel);
    RotateLeft(stepped);
    RotateLeft(stepped);
    RotateLeft(stepped);
    EXPECT_EQ(test::PixelBytes(*stepped.Bitmap()), test::PixelBytes(*turned.Bitmap()));
    EXPECT_EQ(Placement(stepped), Placement(turned));

    PictureView half;
    LoadPicture(half, path, 2, kPanel);
    EXPECT_EQ(Placement(half), (std::vector<int>{2, 30, 240, 180}));
}

TEST_F(LoadPictureTest, SquarePictureMovesBetweenCornersOnQuarterTurns) {
    PictureView view;
    LoadPicture(view, Jpeg(300, 300), 0, kPanel);
    EXPECT_EQ(Placement(view), (std::vector<int>{0, 2, 240, 240}));
    RotateRight(view);
    EXPECT_EQ(Placement(view), (std::vector<int>{2, 0, 240, 240}));
    RotateRight(view);
    EXPECT_EQ(Placement(view), (std::vector<int>{0, 2, 240, 240}));
}

TEST_F(LoadPictureTest, DamagedPicturesNeverCrashThePreview) {
    std::string truncated = test::ColorJpeg(800, 600);
    test::WriteFile(dir_ / "truncated.jpg", truncated.substr(0, truncated.size() / 3));
    test::WriteFile(dir_ / "cmyk.jpg", test::CmykJpeg(64, 48));
    test::WriteFile(dir_ / "progressive.jpg", test::ColorJpeg(800, 600, true));
    test::WriteFile(dir_ / "huge.jpg", test::HugeHeaderJpeg(65500, 65500, true));

    PictureView view;
    LoadPicture(view, dir_ / "truncated.jpg", 0, kPanel);
    ASSERT_NE(view.DisplayRaster(), nullptr);
    EXPECT_EQ(view.DisplayRaster()->Width(), 200);

    LoadPicture(view, dir_ / "progressive.jpg", 1, kPanel);
    ASSERT_NE(view.DisplayRaster(), nullptr);
    EXPECT_EQ(view.DisplayRaster()->Width(), 150);

    LoadPicture(view, dir_ / "cmyk.jpg", 1, kPanel);
    ASSERT_NE(view.DisplayRaster(), nullptr);
    EXPECT_EQ(view.DisplayRaster()->Width(), 48);

    for (const char* name : {"huge.jpg"}) {
        LoadPicture(view, dir_ / name, 0, kPanel);
        EXPECT_EQ(view.DisplayRaster(), nullptr) << name;
        EXPECT_FALSE(view.HasPicture()) << name;
        LoadPicture(view, dir_ / name, 3, kPanel);
        EXPECT_FALSE(view.HasPicture()) << name;
    }
}

}  // namespace
}  // namespace albumon
