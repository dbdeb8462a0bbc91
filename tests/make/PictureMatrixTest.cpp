// Every kind of picture a user adds, through every file a save makes of it, with and without a
// turn and with and without the location: one table, saved as albumon-make saves it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>

#include "AlbumMake.h"
#include "FileSystem.h"
#include "LocationFixtures.h"
#include "MakeOptions.h"
#include "PhoneFormatFixtures.h"
#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "TestSupport.h"
#include "codecs/JpegCodec.h"
#include "renditions/ConvertedPictures.h"
#include "renditions/ScreenSizes.h"

namespace albumon {
namespace {

// Upright size of every source: above the phones' display size, whole MCUs for lossless turns.
constexpr std::int32_t kWidth = 1344;
constexpr std::int32_t kHeight = 896;
constexpr int kThumbSide = 64;
const std::vector<int> kCards{160, 320, 480};
constexpr int kView = 1280;

struct Kind {
    std::string file;
    std::function<std::string(const Raster&)> make;
    bool gps = false;    // the source tells its place
    bool alpha = false;  // its top right quadrant is transparent, so white in the album
};

std::vector<Kind> Kinds() {
    using test::HeifParts, test::PngParts, test::WebpParts;
    std::vector<Kind> kinds{
        {"baseline.jpg", [](const Raster&) { return test::ColorJpeg(kWidth, kHeight); }},
        {"progressive.jpg", [](const Raster&) { return test::ColorJpeg(kWidth, kHeight, true); }},
    };
    for (int tag = 1; tag <= 8; ++tag) {
        kinds.push_back({"phone" + std::to_string(tag) + ".jpg",
                         [tag](const Raster& upright) { return test::PhoneJpeg(upright, {tag}); },
                         true});
    }
    kinds.push_back({"iphone.heic",
                     [](const Raster& r) {
                         return test::HeicFile(r, {6, 6, true, test::hcIcc});
                     },
                     true});
    kinds.push_back({"android.heic",
                     [](const Raster& r) {
                         return test::HeicFile(r, {1, 1, true, test::hcNclx});
                     },
                     true});
    kinds.push_back({"alpha.png",
                     [](const Raster& r) {
                         return test::PngFile(r, {false, false, true, true});
                     },
                     false, true});
    kinds.push_back({"deep.png", [](const Raster& r) { return test::PngFile(r, {true}); }});
    kinds.push_back({"lossy.webp", [](const Raster& r) {
                         return test::WebpFile(r, {false, false, true});
                     }});
    kinds.push_back({"lossless.webp", [](const Raster& r) { return test::WebpFile(r, {true}); }});
    return kinds;
}

// How an album turns its pictures, and whether it keeps their places.
struct Mode {
    const char* turn;  // "none", "encoded" or "lossless"
    bool keepLocation;
};

// The quadrant colours of the upright picture turned by quarter clockwise quarter turns.
std::vector<int> TurnedQuadrants(std::vector<int> colours, int quarters) {
    for (int q = 0; q < quarters; ++q)
        colours = {colours[2], colours[0], colours[3], colours[1]};
    return colours;
}

// A colour profile without the date it was made and the digest that covers the date: a profile
// made from a file's colour description is made anew at each decode.
std::string Undated(std::string icc) {
    for (const auto& [at, size] : {std::pair{24, 12}, std::pair{84, 16}}) {
        if (icc.size() >= 128)
            icc.replace(at, size, std::string(size, '\0'));
    }
    return icc;
}

// What one album shows of one entry, checked output by output.
class EntryCheck {
  public:
    EntryCheck(const Kind& kind, const std::string& source, int quarters, const Mode& mode)
        : kind_(kind), source_(source), quarters_(quarters), mode_(mode) {
        const bool quarter = quarters % 2 != 0;
        width_ = quarter ? kHeight : kWidth;
        height_ = quarter ? kWidth : kHeight;
        colours_ = TurnedQuadrants(
            kind.alpha ? std::vector<int>{0, 3, 2, 3} : std::vector<int>{0, 1, 2, 3}, quarters);
        const std::string bytes = test::ReadFile(source);
        icc_ = Undated(IsConvertedSource(source) ? LoadPhotoFile(source).icc
                                                 : ReadJpegHeader(bytes).icc);
    }

    // A JPEG of the album: its size, its pixels shown as its orientation asks and whether it
    // tells a place. Returns its header.
    JpegHeader Picture(const std::string& bytes, std::int32_t w, std::int32_t h, bool mayLocate) {
        const JpegHeader header = ReadJpegHeader(bytes);
        const Raster shown = OrientedRaster(DecodeJpeg(bytes, {}), header.orientation, 0);
        EXPECT_EQ(shown.Width(), w);
        EXPECT_EQ(shown.Height(), h);
        EXPECT_EQ(test::Quadrants(shown), colours_);
        EXPECT_EQ(test::AnyExifGps(bytes), mayLocate && kind_.gps && mode_.keepLocation);
        return header;
    }

    // The output picture, with the source's colour profile; unturned and without a place to
    // leave out, the source byte for byte.
    void Output(const std::string& bytes) {
        EXPECT_TRUE(Undated(Picture(bytes, width_, height_, true).icc) == icc_) << "colour profile";
        if (quarters_ == 0 && !IsConvertedSource(source_) && (!kind_.gps || mode_.keepLocation)) {
            EXPECT_TRUE(bytes == test::ReadFile(source_)) << "not a copy";
        }
    }

    // A screen-size picture or the design thumbnail: upright, no metadata but the source's
    // colour profile, which is left out only when it would outweigh the picture.
    void Small(const std::string& bytes, std::pair<std::int32_t, std::int32_t> size) {
        const JpegHeader header = Picture(bytes, size.first, size.second, false);
        EXPECT_TRUE(header.exif.empty());
        if (header.icc.empty() && !icc_.empty())
            EXPECT_LT(bytes.size(), icc_.size()) << "colour profile left out";
        else
            EXPECT_TRUE(Undated(header.icc) == icc_) << "colour profile";
    }

    std::pair<std::int32_t, std::int32_t> ThumbSize() const {
        if (width_ > height_)
            return {kThumbSide, height_ * kThumbSide / width_};
        return {width_ * kThumbSide / height_, kThumbSide};
    }
    std::pair<std::int32_t, std::int32_t> Scaled(int side) const {
        return ScaledToSide(width_, height_, side);
    }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }

  private:
    const Kind& kind_;
    std::string source_;
    int quarters_;
    Mode mode_;
    std::int32_t width_, height_;
    std::vector<int> colours_;
    std::string icc_;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(PictureMatrixTest, EveryKindGetsEveryOutputTurnedOrNotWithAndWithoutItsPlace) {
    test::TempDir dir;
    const Raster upright = test::QuadrantRaster(kWidth, kHeight);
    const std::vector<Kind> kinds = Kinds();
    for (const Kind& kind : kinds)
        test::WriteFile(dir / ("in/" + kind.file), kind.make(upright));
    int cells = 0;
    for (const Mode& mode :
         {Mode{"none", false}, Mode{"none", true}, Mode{"encoded", false}, Mode{"encoded", true},
          Mode{"lossless", false}, Mode{"lossless", true}}) {
        SCOPED_TRACE(std::string(mode.turn) + (mode.keepLocation ? " kept" : " stripped"));
        const std::string out =
            dir / (std::string("out-") + mode.turn + (mode.keepLocation ? "-kept" : "-stripped"));
        std::vector<std::string> args{"-q", "-o", out, "--head", "trip", "--zip"};
        if (mode.keepLocation)
            args.push_back("--keep-location");
        if (std::string(mode.turn) == "lossless")
            args.push_back("--lossless-turns");
        std::vector<int> turns;
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            const std::string note = dir / ("in/note" + std::to_string(k) + ".txt");
            test::WriteFile(note, "写真 " + kinds[k].file + "\r\n");
            turns.push_back(std::string(mode.turn) == "none" ? 0 : 1 + static_cast<int>(k % 3));
            args.insert(args.end(), {dir / ("in/" + kinds[k].file), "--rotate",
                                     std::to_string(turns.back()), "--note-below", note});
        }
        const std::uint64_t decodes = PhotoFileDecodes();
        std::ostringstream said, warned;
        ASSERT_EQ(RunMake(ParseMakeOptions(args), ALBUMON_SOURCE_DIR "/Def/", said, warned, false),
                  0)
            << warned.str();
        // One decode of every HEIC, PNG and WebP serves all of its files.
        EXPECT_EQ(PhotoFileDecodes() - decodes, 6u);
        // The warning counts every picture saved with its place, of any kind: the eight phone
        // JPEGs and the two HEICs.
        EXPECT_EQ(warned.str(), mode.keepLocation ? "albumon-make: 警告: 位置情報を含む写真 10 "
                                                    "枚を、位置情報を削除せずに保存しました\n"
                                                  : "");
        const std::string album = out + "/trip.files/";
        const std::string index = test::ReadFile(out + "/trip.htm");
        const auto zipped = test::ZipEntries(out + "/trip.zip");
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            SCOPED_TRACE(kinds[k].file);
            char stem[32];
            std::snprintf(stem, sizeof stem, "trip%03zu", k + 1);
            const std::string name = std::string(stem) + ".jpg";
            EntryCheck check(kinds[k], dir / ("in/" + kinds[k].file), turns[k], mode);
            std::vector<std::string> files{name, "$_" + name};
            check.Output(test::ReadFile(album + name));
            check.Small(test::ReadFile(album + "$_" + name), check.ThumbSize());
            for (int side : kCards) {
                files.push_back("albumon-sizes/" + std::string(stem) + "." + std::to_string(side) +
                                ".jpg");
                check.Small(test::ReadFile(album + files.back()), check.Scaled(side));
            }
            const std::string view = "albumon-sizes/" + std::string(stem) + ".1280.jpg";
            files.push_back(view);
            check.Small(test::ReadFile(album + view), check.Scaled(kView));
            EXPECT_FALSE(FileExists(album + "albumon-sizes/" + stem + ".2048.jpg"));
            files.push_back(std::string(stem) + ".htm");
            const std::string page = test::ReadFile(album + files.back());
            const std::string w = std::to_string(check.Width()), h = std::to_string(check.Height());
            EXPECT_TRUE(Contains(page, "srcset=\"" + view + " " +
                                           std::to_string(check.Scaled(kView).first) + "w, " +
                                           name + " " + w + "w\""))
                << page;
            EXPECT_TRUE(Contains(page, "width=\"" + w + "\" height=\"" + h + "\""));
            EXPECT_TRUE(Contains(index, "Picture[" + std::to_string(k) + "]={width:" + w +
                                            ",height:" + h + ",cards:[160,320,480],views:[1280]," +
                                            "extension:\".jpg\",caption:\"写真 " + kinds[k].file +
                                            "\"};"));
            for (const std::string& file : files) {
                const auto member = zipped.find("trip.files/" + file);
                EXPECT_TRUE(member != zipped.end() &&
                            member->second == test::ReadFile(album + file))
                    << file;
            }
            cells += 7;  // picture, design thumbnail, cards, display copy, page, index, zip
        }
    }
    EXPECT_EQ(cells, 16 * 7 * 3 * 2);
    std::cout << "picture matrix: " << kinds.size() << " kinds x 7 outputs x 3 turns x 2 location"
              << " settings = " << cells << " cells\n";
}

}  // namespace
}  // namespace albumon
