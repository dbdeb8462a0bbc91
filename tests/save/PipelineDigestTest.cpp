// The picture pipeline's outputs for a few fixed pictures, as digests: a change to what it makes
// must come with a new kPicturePipelineVersion, or a later save would keep files an earlier
// version made as if they were this version's.
#include <iostream>

#include "EntryPipeline.h"
#include "OutputKeys.h"
#include "PhoneFormatFixtures.h"
#include "SaveFixture.h"

namespace albumon {
namespace {

// The version and the libraries the digests below were taken with.
constexpr int kDigestsVersion = 1;
constexpr const char* kDigestsCodecs =
    "jpeg 62 turbojpeg 2.1.5 heif 1.15.1 png 1.6.39 webp 1.2.4 lcms2 2.14 exif 0.6.24";

struct Reference {
    const char* what;
    std::string source;  // file name in the fixture's input folder
    int rotation;
    int quality;
    PhotoOptions photo;
    const char* digest;  // of the thumbnail, picture and screen sizes together
};

std::string DigestOf(const EntryResult& result) {
    std::string all = result.Thumbnail.value_or("") + "|" + result.Picture.bytes + "|";
    for (const ScreenPicture& screen : result.Screens.pictures)
        all += std::to_string(screen.side) + ":" + screen.bytes + "|";
    return Digest(all);
}

using test::SaveAlbumTest;

TEST_F(SaveAlbumTest, ThePipelinesOutputsChangeOnlyWithItsVersion) {
    if (CodecVersions() != kDigestsCodecs)
        GTEST_SKIP() << "digests taken with other libraries: " << CodecVersions();
    test::WriteJpeg(dir / "in/big.jpg", 1600, 1200);
    Raster upright(300, 400, pf24bit);
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 300; ++x) {
            std::uint8_t* p = upright.Row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(x + y);
        }
    }
    test::WriteFile(dir / "in/tall.png", test::PngFile(upright, {}));
    const std::vector<Reference> references = {
        {"as it is", "big.jpg", 0, 50, {false, true, 90}, "440e85b460c00ea4"},
        {"turned, re-encoded", "big.jpg", 1, 50, {false, false, 90}, "7fd511d4fce89166"},
        {"turned on its coefficients", "big.jpg", 3, 50, {true, false, 90}, "6c624e7831e1918c"},
        {"converted", "tall.png", 2, 50, {false, true, 80}, "7644f3333d8c6687"},
    };
    std::string found;
    for (const Reference& reference : references) {
        const EntryJob job{dir / ("in/" + reference.source),
                           reference.rotation,
                           244,
                           64,
                           reference.quality,
                           reference.photo,
                           ScreenSides(2048)};
        const std::string digest = DigestOf(ComputeEntry(view, job));
        found += std::string(reference.what) + ": " + digest + "\n";
        EXPECT_TRUE(digest == reference.digest || kPicturePipelineVersion != kDigestsVersion)
            << reference.what << ": the pipeline's output changed; raise "
            << "kPicturePipelineVersion and take the digests again";
    }
    if (HasFailure())
        std::cout << found;
}

}  // namespace
}  // namespace albumon
