// Screen-size pictures of one photo: card thumbnails at 1x, 2x and 3x of the size the default
// template's cards show, and display copies, all made from one decode: at the smallest DCT scale
// that covers the largest of them, or a turned output's own full-size decode.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "codecs/JpegImage.h"

namespace albumon {

// The sub-folder of the album folder that holds them: no output picture is ever put in it.
inline constexpr const char* kScreenSizeFolder = "albumon-sizes";
// Long side, in CSS pixels, of the default template's card thumbnails.
inline constexpr int kCardSide = 160;
// Long side of the display copy for phones.
inline constexpr int kPhoneDisplaySide = 1280;
// The display size chosen when nothing else is.
inline constexpr int kDefaultDisplaySide = 2048;
// JPEG quality of every screen-size picture: the knee bench/screen_quality found on 22 photos of
// the bench corpus (SSIM on luma over bytes, qualities 60..95): 87, at 647 KB a photo for all
// five sizes and a mean SSIM of 0.974, against 480 KB and 0.965 at 80 and 1228 KB and 0.987
// at 95.
inline constexpr int kScreenQuality = 87;

// The long sides a save makes, ascending: the cards' 1x, 2x and 3x, then the phones' display
// copy and displaySide (0: no display copies at all). A photo that stands upright also gets a
// phones' copy as wide as the phones' display copy is long (see MakeScreenSizes).
std::vector<int> ScreenSides(int displaySide);

// The size of a picture of width x height scaled to long side side, the short side rounded (at
// least 1).
std::pair<std::int32_t, std::int32_t> ScaledToSide(std::int32_t width, std::int32_t height,
                                                   int side);

// The fewest eighths (1..8) at which a picture of long side longSide decodes to at least side.
int CoveringEighths(std::int64_t longSide, int side);

// One screen-size picture: its long side and its JPEG bytes.
struct ScreenPicture {
    int side = 0;
    std::string bytes;
};

// The screen-size pictures of one photo and its upright size (0 x 0 when it cannot be decoded).
struct ScreenSizes {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<ScreenPicture> pictures;  // ascending; only sides below the photo's long side
};

// The screen-size pictures of the sides asked for, upright (EXIF orientation, then rotation
// quarter turns clockwise), with the photo's colour profile (converted to sRGB instead when the
// profile is larger than the picture) and no other metadata. When the sides hold the phones'
// display copy and the photo stands upright, one more is made whose short side is that copy's
// long side (a phone's screen is that wide in device pixels), when it is smaller than the photo
// and than the largest side asked for. A photo that cannot be decoded gets none.
ScreenSizes MakeScreenSizes(const TJPEGData& data, int rotation, const std::vector<int>& sides);

// MakeScreenSizes from a decode already made: picture is the photo of header as stored, decoded
// at a scale that covers the largest side (a turned output's full-size decode serves), and
// already mirrored where the orientation asks. An empty picture gets none.
ScreenSizes ScreenSizesOf(Raster picture, const JpegHeader& header, int rotation,
                          const std::vector<int>& sides);

}  // namespace albumon
