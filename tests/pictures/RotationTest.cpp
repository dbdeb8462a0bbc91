// Turning the view's picture: the worked examples, the identities of repeated turns, depth and
// palette kept, the exchange of the view's placement, and turns made band by band.
#include <gtest/gtest.h>

#include <tuple>

#include "PictureFixtures.h"
#include "codecs/JpegCodec.h"
#include "codecs/TurnedJpeg.h"
#include "pixels/RasterTurns.h"
#include "renditions/Images.h"

namespace albumon {
namespace {

using Rows = std::vector<std::vector<int>>;

Rows IndexRows(const Raster& raster) {
    Rows rows;
    for (std::int32_t y = 0; y < raster.Height(); ++y) {
        rows.emplace_back(raster.Row(y), raster.Row(y) + raster.Width());
    }
    return rows;
}

PictureView ViewWith(Raster raster) {
    PictureView view;
    view.SetPicture(std::move(raster));
    return view;
}

std::vector<std::uint8_t> ViewPixels(PictureView& view) {
    return test::PixelBytes(view.PictureRaster());
}

TEST(Rotation, WorkedExampleOfThreeByTwo) {
    Raster source = test::NumberedRaster(3, 2, pf8bit);  // rows [1 2 3] [4 5 6]
    ASSERT_EQ(IndexRows(source), (Rows{{1, 2, 3}, {4, 5, 6}}));
    EXPECT_EQ(IndexRows(TurnedRight(source)), (Rows{{4, 1}, {5, 2}, {6, 3}}));
    EXPECT_EQ(IndexRows(TurnedLeft(source)), (Rows{{3, 6}, {2, 5}, {1, 4}}));
    EXPECT_EQ(IndexRows(Turned180(source)), (Rows{{6, 5, 4}, {3, 2, 1}}));
}

TEST(Rotation, TwentyFourBitPixelsMoveWholeWithPaddedRows) {
    // 5 x 3 at 3 bytes a pixel: rows of 16 bytes, turned rows of 12 bytes.
    Raster source = test::NumberedRaster(5, 3, pf24bit);
    Raster right = TurnedRight(source);
    ASSERT_EQ(right.Width(), 3);
    ASSERT_EQ(right.Height(), 5);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 5; ++x) {
            const std::uint8_t* from = source.Row(y) + x * 3;
            const std::uint8_t* to = right.Row(x) + (2 - y) * 3;
            EXPECT_TRUE(std::equal(from, from + 3, to)) << y << "," << x;
        }
    }
}

TEST(Rotation, RepeatedTurnsGiveBackOrMatchEachOther) {
    for (PixelFormat format : {pf8bit, pf24bit}) {
        Raster start = test::NumberedRaster(7, 5, format);
        auto pixels = test::PixelBytes(start);

        PictureView rights = ViewWith(start);
        for (int i = 0; i < 4; ++i)
            RotateRight(rights);
        EXPECT_EQ(ViewPixels(rights), pixels);

        PictureView lefts = ViewWith(start);
        for (int i = 0; i < 4; ++i)
            RotateLeft(lefts);
        EXPECT_EQ(ViewPixels(lefts), pixels);

        PictureView halves = ViewWith(start);
        Rotate180(halves);
        EXPECT_NE(ViewPixels(halves), pixels);
        Rotate180(halves);
        EXPECT_EQ(ViewPixels(halves), pixels);

        PictureView there = ViewWith(start);
        RotateRight(there);
        RotateLeft(there);
        EXPECT_EQ(ViewPixels(there), pixels);

        PictureView twoRights = ViewWith(start);
        RotateRight(twoRights);
        RotateRight(twoRights);
        EXPECT_EQ(test::PixelBytes(twoRights.PictureRaster()), test::PixelBytes(Turned180(start)));

        PictureView threeRights = ViewWith(start);
        for (int i = 0; i < 3; ++i)
            RotateRight(threeRights);
        EXPECT_EQ(ViewPixels(threeRights), test::PixelBytes(TurnedLeft(start)));
    }
}

TEST(Rotation, LargeRasterTurnsAcrossTileEdges) {
    Raster start = test::NumberedRaster(150, 70, pf24bit);
    Raster right = TurnedRight(start);
    EXPECT_EQ(test::PixelBytes(TurnedLeft(right)), test::PixelBytes(start));
    test::Bgr corner = test::PixelAt(right, 149, 0);  // source bottom-right lands at bottom-left
    test::Bgr expected = test::PixelAt(start, 69, 149);
    EXPECT_EQ(std::tie(corner.blue, corner.green, corner.red),
              std::tie(expected.blue, expected.green, expected.red));
}

TEST(Rotation, QuarterTurnsExchangeSizeAndPlacementHalfTurnKeepsThem) {
    PictureView view = ViewWith(test::NumberedRaster(8, 6, pf24bit));
    view.Left = 2;
    view.Top = 30;
    view.Width = 240;
    view.Height = 180;
    RotateRight(view);
    EXPECT_EQ(view.PictureWidth(), 6);
    EXPECT_EQ(view.PictureHeight(), 8);
    EXPECT_EQ((std::vector<int>{view.Left, view.Top, view.Width, view.Height}),
              (std::vector<int>{30, 2, 180, 240}));
    Rotate180(view);
    EXPECT_EQ(view.PictureWidth(), 6);
    EXPECT_EQ((std::vector<int>{view.Left, view.Top, view.Width, view.Height}),
              (std::vector<int>{30, 2, 180, 240}));
    RotateLeft(view);
    EXPECT_EQ(view.PictureWidth(), 8);
    EXPECT_EQ(view.Left, 2);
    EXPECT_EQ(view.Top, 30);
}

TEST(Rotation, EightBitGrayKeepsDepthAndPalette) {
    Raster gray(3, 4, pf8bit);
    std::vector<PaletteColor> palette;
    for (int i = 0; i < 236; ++i) {
        auto level = static_cast<std::uint8_t>(i * 255 / 235);
        palette.push_back({level, level, level});
    }
    gray.SetPalette(palette);
    for (auto turn : {&RotateRight, &RotateLeft, &Rotate180}) {
        PictureView view = ViewWith(gray);
        turn(view);
        ASSERT_NE(view.Bitmap(), nullptr);
        EXPECT_EQ(view.Bitmap()->Format(), pf8bit);
        EXPECT_EQ(view.Bitmap()->Palette(), palette);
    }
}

TEST(Rotation, OnePixelIsUnchangedByEveryTurn) {
    Raster one = test::NumberedRaster(1, 1, pf24bit);
    for (auto turn : {&RotateRight, &RotateLeft, &Rotate180}) {
        PictureView view = ViewWith(one);
        turn(view);
        EXPECT_EQ(ViewPixels(view), test::PixelBytes(one));
    }
}

TEST(Rotation, EncodingTurnedGivesTheSameFileAsEncodingTheTurnedRaster) {
    for (PixelFormat format : {pf8bit, pf24bit}) {
        Raster start = test::NumberedRaster(37, 21, format);
        for (auto [turn, turned] :
             {std::pair{rtRight, TurnedRight(start)}, std::pair{rtLeft, TurnedLeft(start)},
              std::pair{rtHalf, Turned180(start)}}) {
            EncodeOptions options;
            options.quality = 60;
            std::string direct = EncodeJpeg(turned, options);
            options.turn = turn;
            EXPECT_EQ(EncodeJpeg(start, options), direct) << format << " " << turn;
        }
    }
}

// A progressive picture of several bands in every orientation: decoded band by band and encoded
// turned, it gives the same file as decoding it whole and encoding it turned.
TEST(Rotation, TurningByBandsGivesTheSameFileAsTurningTheWholeDecode) {
    const std::string source = test::ColorJpeg(3000, 2400, true);
    const Raster whole = DecodeJpeg(source, {});
    for (bool mirror : {false, true}) {
        for (int quarters = 0; quarters < 4; ++quarters) {
            const Orientation orientation{mirror, quarters};
            EncodeOptions options;
            options.quality = 70;
            options.exif = std::string("Exif\0\0", 6) + "II*";
            Raster picture = whole;
            if (mirror)
                MirrorInPlace(picture);
            const std::string banded = TurnedByBands(source, orientation, options);
            options.turn = orientation.Turn();
            EXPECT_EQ(banded, EncodeJpeg(picture, options)) << mirror << " " << quarters;
        }
    }
}

TEST(Rotation, EmptyViewIsLeftAsItIs) {
    for (auto turn : {&RotateRight, &RotateLeft, &Rotate180}) {
        PictureView view;
        view.Left = 0;
        view.Top = 2;
        view.Width = 240;
        view.Height = 100;
        turn(view);
        EXPECT_FALSE(view.HasPicture());
        EXPECT_EQ((std::vector<int>{view.Left, view.Top, view.Width, view.Height}),
                  (std::vector<int>{0, 2, 240, 100}));
    }
}

}  // namespace
}  // namespace albumon
