// Measures the JPEG quality of the screen-size pictures: for every quality from 60 to 95 it
// encodes the card thumbnails and the display copies of a set of photos, made as a save makes
// them, and prints their bytes and their SSIM on luma against the pictures before encoding, and
// the knee: the quality farthest above the straight line from 60 to 95 on the curve of SSIM
// (cards and display copies averaged) over bytes (all sizes), both scaled to 0..1.
// Usage: screen_quality PICTURE...
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Baseline.h"
#include "codecs/JpegCodec.h"
#include "pixels/Downscale.h"
#include "renditions/ScreenSizes.h"

namespace {

using albumon::Raster;

// Luma of a 24-bit raster, one double a pixel.
std::vector<double> Luma(const Raster& raster) {
    std::vector<double> y;
    y.reserve(static_cast<std::size_t>(raster.Width()) * raster.Height());
    for (std::int32_t r = 0; r < raster.Height(); ++r) {
        const std::uint8_t* p = raster.Row(r);
        for (std::int32_t x = 0; x < raster.Width(); ++x, p += 3)
            y.push_back(0.114 * p[0] + 0.587 * p[1] + 0.299 * p[2]);
    }
    return y;
}

// The mean SSIM of two lumas of width x height over 8 x 8 windows placed every 4 pixels.
double Ssim(const std::vector<double>& a, const std::vector<double>& b, std::int32_t width,
            std::int32_t height) {
    constexpr double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    double total = 0;
    int windows = 0;
    for (std::int32_t y0 = 0; y0 + 8 <= height; y0 += 4) {
        for (std::int32_t x0 = 0; x0 + 8 <= width; x0 += 4) {
            double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
            for (std::int32_t y = y0; y < y0 + 8; ++y) {
                for (std::int32_t x = x0; x < x0 + 8; ++x) {
                    const double u = a[std::size_t(y) * width + x],
                                 v = b[std::size_t(y) * width + x];
                    sa += u;
                    sb += v;
                    saa += u * u;
                    sbb += v * v;
                    sab += u * v;
                }
            }
            const double n = 64, ma = sa / n, mb = sb / n;
            const double va = saa / n - ma * ma, vb = sbb / n - mb * mb, cov = sab / n - ma * mb;
            total +=
                (2 * ma * mb + c1) * (2 * cov + c2) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
            ++windows;
        }
    }
    return windows ? total / windows : 1;
}

struct Tally {
    double bytes = 0;
    double ssim = 0;
    int count = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PICTURE...\n", argv[0]);
        return 2;
    }
    const std::vector<int> sides = albumon::ScreenSides(albumon::kDefaultDisplaySide);
    std::vector<int> qualities;
    for (int q = 60; q <= 95; ++q)
        qualities.push_back(q);
    // [quality][0: cards, 1: display copies]
    std::vector<std::array<Tally, 2>> tallies(qualities.size());
    for (int i = 1; i < argc; ++i) {
        const std::string bytes = albumon::bench::ReadAll(argv[i]);
        const albumon::JpegHeader header = albumon::ReadJpegHeader(bytes);
        albumon::DecodeOptions options;
        options.eighths =
            albumon::CoveringEighths(std::max(header.width, header.height), sides.back());
        Raster picture = albumon::As24Bit(albumon::DecodeJpeg(bytes, options));
        for (auto side = sides.rbegin(); side != sides.rend(); ++side) {
            const auto [w, h] = albumon::ScaledToSide(header.width, header.height, *side);
            picture = albumon::Downscaled(picture, w, h);
            const std::vector<double> reference = Luma(picture);
            for (std::size_t q = 0; q < qualities.size(); ++q) {
                albumon::EncodeOptions encode;
                encode.quality = qualities[q];
                const std::string jpeg = albumon::EncodeJpeg(picture, encode);
                const Raster decoded = albumon::As24Bit(albumon::DecodeJpeg(jpeg, {}));
                Tally& tally = tallies[q][*side >= albumon::kPhoneDisplaySide ? 1 : 0];
                tally.bytes += static_cast<double>(jpeg.size());
                tally.ssim += Ssim(reference, Luma(decoded), w, h);
                ++tally.count;
            }
        }
    }
    const int photos = argc - 1;
    std::printf("%d photos; per photo: card thumbnails (%d, %d, %d) and display copies (%d, %d)\n",
                photos, sides[0], sides[1], sides[2], sides[3], sides[4]);
    std::printf("quality  cards KB  cards SSIM  display KB  display SSIM\n");
    std::vector<double> bytes, ssim;
    for (std::size_t q = 0; q < qualities.size(); ++q) {
        const Tally& cards = tallies[q][0];
        const Tally& views = tallies[q][1];
        bytes.push_back((cards.bytes + views.bytes) / photos);
        ssim.push_back((cards.ssim / cards.count + views.ssim / views.count) / 2);
        if (qualities[q] % 5 == 0)
            std::printf("%7d  %8.1f  %10.4f  %10.1f  %12.4f\n", qualities[q],
                        cards.bytes / photos / 1024, cards.ssim / cards.count,
                        views.bytes / photos / 1024, views.ssim / views.count);
    }
    std::size_t knee = 0;
    double farthest = -1;
    for (std::size_t q = 0; q < qualities.size(); ++q) {
        const double x = (bytes[q] - bytes.front()) / (bytes.back() - bytes.front());
        const double y = (ssim[q] - ssim.front()) / (ssim.back() - ssim.front());
        if (y - x > farthest) {
            farthest = y - x;
            knee = q;
        }
    }
    std::printf("knee at quality %d: %.1f KB a photo, mean SSIM %.4f\n", qualities[knee],
                bytes[knee] / 1024, ssim[knee]);
    return 0;
}
