// Makes the photographic test pictures the benchmarks read: a landscape scene (sky with clouds,
// sun, ridges of rock, trees and a field of grass) with fine texture, hard edges and sensor noise,
// encoded like a camera would (quality 92, 4:2:0).
// Usage: make_bench_pictures <folder>   the pictures of the picture benchmarks (4000 x 3000,
//        6000 x 4000, and 4032 x 3024 as a JPEG and as a HEIC);
//        make_bench_pictures --corpus <folder> <landscape> <portrait>   an album's worth of
//        different scenes (photo_001.jpg ...: 4000 x 3000, then 3000 x 4000), made on every core.
#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jpeglib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "HeifBaseline.h"

namespace {

std::uint32_t Hash(std::int32_t x, std::int32_t y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

double Lattice(std::int32_t x, std::int32_t y, std::uint32_t seed) {
    return (Hash(x, y, seed) & 0xFFFF) / 65535.0;
}

// Smooth value noise in 0..1 at a position measured in lattice cells.
double ValueNoise(double x, double y, std::uint32_t seed) {
    auto x0 = static_cast<std::int32_t>(std::floor(x));
    auto y0 = static_cast<std::int32_t>(std::floor(y));
    double fx = x - x0, fy = y - y0;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    double top = Lattice(x0, y0, seed) * (1 - fx) + Lattice(x0 + 1, y0, seed) * fx;
    double bottom = Lattice(x0, y0 + 1, seed) * (1 - fx) + Lattice(x0 + 1, y0 + 1, seed) * fx;
    return top * (1 - fy) + bottom * fy;
}

double Fractal(double x, double y, std::uint32_t seed, int octaves) {
    double sum = 0, amplitude = 0.5, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * ValueNoise(x, y, seed + i);
        total += amplitude;
        x *= 2.03;
        y *= 2.03;
        amplitude *= 0.5;
    }
    return sum / total;
}

// What makes one scene differ from another: the seeds of its noise, where the sun stands and
// where the row of trees begins. Variant 0 is the scene of the picture benchmarks.
struct Variant {
    std::uint32_t seed = 0;
    double sunX = 0.78;
    double treesX = 0.08;

    static Variant Numbered(std::uint32_t n) {
        if (n == 0)
            return {};
        const auto i = static_cast<std::int32_t>(n);
        return {n * 1000, 0.1 + 0.8 * Lattice(i, 1, 7), 0.02 + 0.12 * Lattice(i, 2, 7)};
    }
};

struct Color {
    double r, g, b;
};

Color Mix(Color a, Color b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// The skyline of a column: the heights of the far and the near ridge, in 0..1.
struct Ridges {
    double far, near;
};

Ridges RidgesAt(double x, const Variant& v) {
    return {0.42 - 0.12 * Fractal(x * 4, 0.5, v.seed + 21, 7),
            0.55 - 0.10 * Fractal(x * 3, 1.5, v.seed + 31, 8)};
}

Color Sky(double x, double y, double aspect, const Variant& v) {
    Color sky = Mix({90, 140, 215}, {200, 220, 240}, y * 1.6);
    double cloud = Fractal(x * 6 * aspect, y * 10, v.seed + 11, 6);
    sky = Mix(sky, {245, 245, 250}, std::clamp((cloud - 0.55) * 3.0, 0.0, 0.9));
    if (std::hypot((x - v.sunX) * aspect, y - 0.16) < 0.045)
        sky = {255, 250, 225};
    return sky;
}

// The scene at (x, y), both in 0..1 of the picture's width and height; (px, py) in pixels.
Color Scene(double x, double y, double aspect, Ridges ridges, std::int32_t px, std::int32_t py,
            const Variant& v) {
    const double farRidge = ridges.far, nearRidge = ridges.near;
    Color color = y <= nearRidge ? Sky(x, y, aspect, v) : Color{};
    if (y > farRidge && y <= nearRidge) {
        double rock = Fractal(x * 120 * aspect, y * 120, v.seed + 41, 4);
        color = Mix({110, 115, 135}, {150, 150, 165}, rock);
        color = Mix(color, Sky(x, y, aspect, v), 0.35);
    }
    const double fieldTop = 0.68 + 0.02 * std::sin(x * 9);
    if (y > nearRidge && y <= fieldTop) {
        double rock = Fractal(x * 200 * aspect, y * 200, v.seed + 51, 5);
        color = Mix({85, 75, 65}, {160, 145, 125}, rock);
        if (Fractal(x * 30 * aspect, y * 30, v.seed + 61, 3) > 0.62)
            color = Mix(color, {240, 240, 245}, 0.8);
    }
    // Field of grass with fine blades.
    if (y > fieldTop) {
        double blades = Fractal(x * 900 * aspect, y * 250, v.seed + 71, 3);
        double patches = Fractal(x * 8 * aspect, y * 8, v.seed + 81, 4);
        color =
            Mix({40, 90, 30}, {150, 170, 60}, std::clamp(blades * 0.7 + patches * 0.5, 0.0, 1.0));
        if (Hash(px / 3, py / 3, v.seed + 91) % 997 == 0)
            color = {230, 60, 70};  // flowers
    }
    // A row of trees with hard edges.
    for (int t = 0; t < 7; ++t) {
        double cx = v.treesX + t * 0.135, cy = 0.63 + 0.015 * (t % 3);
        double dx = (x - cx) * aspect / 0.045, dy = (y - cy) / 0.11;
        if (dx * dx + dy * dy < 1) {
            double leaves = Fractal(x * 400 * aspect, y * 400, v.seed + 101 + t, 4);
            color = Mix({20, 55, 20}, {70, 120, 45}, leaves);
        }
        if (std::abs((x - cx) * aspect) < 0.004 && y > cy + 0.08 && y < cy + 0.14)
            color = {60, 40, 25};
    }
    return color;
}

bool WriteScene(const std::string& path, int width, int height, const Variant& v) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file)
        return false;
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);  // a library error ends this tool with a message
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file.get());
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 92, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
    std::vector<Ridges> skyline;
    for (int x = 0; x < width; ++x)
        skyline.push_back(RidgesAt((x + 0.5) / width, v));
    const double aspect = static_cast<double>(width) / height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Color c = Scene((x + 0.5) / width, (y + 0.5) / height, aspect, skyline[x], x, y, v);
            for (int k = 0; k < 3; ++k) {
                double noise =
                    (Hash(x, y, v.seed + 200 + k) % 1000) / 1000.0 * 20 - 10;  // sensor noise
                double value = (k == 0 ? c.r : k == 1 ? c.g : c.b) + noise;
                row[static_cast<std::size_t>(x) * 3 + k] =
                    static_cast<JSAMPLE>(std::clamp(value, 0.0, 255.0));
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// Writes the corpus pictures photo_001.jpg ... into folder, each its own scene, shared among as
// many threads as there are cores.
bool WriteCorpus(const std::string& folder, int landscape, int portrait) {
    const int count = landscape + portrait;
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (int n = next++; n < count; n = next++) {
            char name[32];
            std::snprintf(name, sizeof name, "/photo_%03d.jpg", n + 1);
            const bool wide = n < landscape;
            if (!WriteScene(folder + name, wide ? 4000 : 3000, wide ? 3000 : 4000,
                            Variant::Numbered(static_cast<std::uint32_t>(n + 1)))) {
                std::fprintf(stderr, "cannot write %s%s\n", folder.c_str(), name);
                failed = true;
            }
        }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t)
        threads.emplace_back(work);
    for (std::thread& thread : threads)
        thread.join();
    return !failed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--corpus") {
        const int landscape = std::atoi(argv[3]), portrait = std::atoi(argv[4]);
        if (landscape < 0 || portrait < 0 || landscape + portrait > 999) {
            std::fprintf(stderr, "%s: picture counts out of range\n", argv[0]);
            return 2;
        }
        return WriteCorpus(argv[2], landscape, portrait) ? 0 : 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder> | --corpus <folder> <landscape> <portrait>\n",
                     argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    for (auto [width, height] :
         {std::pair{4000, 3000}, std::pair{6000, 4000}, std::pair{4032, 3024}}) {
        std::string path =
            folder + "/scene_" + std::to_string(width) + "x" + std::to_string(height) + ".jpg";
        if (!WriteScene(path, width, height, Variant{})) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    // The 12 MP scene once more, as a phone stores it.
    JDIMENSION width = 0, height = 0;
    const std::vector<JSAMPLE> scene = albumon::bench::Decode(
        albumon::bench::ReadAll(folder + "/scene_4032x3024.jpg"), 1, false, width, height);
    const std::string heic = folder + "/scene_4032x3024.heic";
    if (!albumon::bench::WriteHeic(scene, width, height, heic)) {
        std::fprintf(stderr, "cannot write %s\n", heic.c_str());
        return 1;
    }
    std::printf("%s\n", heic.c_str());
    return 0;
}
