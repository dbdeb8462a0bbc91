// Area-averaging downscale, one source row at a time: each row is first reduced across, then
// added with its weight into the one or two target rows it falls in.
#include "pixels/Downscale.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace albumon {

namespace {

// Fixed-point weights: every target pixel's weights add up to kOne.
constexpr int kShift = 12;
constexpr std::int32_t kOne = 1 << kShift;

// The source pixels one target pixel covers, first .. first + weights.size() - 1.
struct Span {
    std::int32_t first = 0;
    std::vector<std::int32_t> weights;
};

// The spans of target pixels 0 .. target - 1 over source pixels 0 .. source - 1.
std::vector<Span> Spans(std::int32_t source, std::int32_t target) {
    std::vector<Span> spans(static_cast<std::size_t>(target));
    const double step = static_cast<double>(source) / target;
    for (std::int32_t i = 0; i < target; ++i) {
        const double from = i * step;
        const double to = std::min<double>((i + 1) * step, source);
        Span& span = spans[static_cast<std::size_t>(i)];
        span.first = static_cast<std::int32_t>(from);
        const auto last = std::min<std::int32_t>(static_cast<std::int32_t>(std::ceil(to)), source);
        std::int32_t sum = 0;
        for (std::int32_t j = span.first; j < std::max(last, span.first + 1); ++j) {
            const double cover = std::min<double>(to, j + 1) - std::max<double>(from, j);
            const auto weight = static_cast<std::int32_t>(std::lround(cover / step * kOne));
            span.weights.push_back(std::max(weight, 0));
            sum += span.weights.back();
        }
        // Rounding leaves the sum a little off kOne: the largest weight takes the difference.
        *std::max_element(span.weights.begin(), span.weights.end()) += kOne - sum;
    }
    return spans;
}

// One source row reduced across, at kShift - 4 extra bits a channel (fits 16 bits).
void ReduceRow(const std::uint8_t* in, const std::vector<Span>& spans, std::uint16_t* out) {
    for (const Span& span : spans) {
        std::int32_t b = 0, g = 0, r = 0;
        const std::uint8_t* p = in + std::int64_t{span.first} * 3;
        for (std::int32_t w : span.weights) {
            b += p[0] * w;
            g += p[1] * w;
            r += p[2] * w;
            p += 3;
        }
        out[0] = static_cast<std::uint16_t>((b + 8) >> 4);
        out[1] = static_cast<std::uint16_t>((g + 8) >> 4);
        out[2] = static_cast<std::uint16_t>((r + 8) >> 4);
        out += 3;
    }
}

}  // namespace

Raster As24Bit(Raster source) {
    if (source.Format() == pf24bit)
        return source;
    Raster copy(source.Width(), source.Height(), pf24bit);
    const std::vector<PaletteColor>& palette = source.Palette();
    for (std::int32_t y = 0; y < source.Height(); ++y) {
        const std::uint8_t* in = source.Row(y);
        std::uint8_t* out = copy.Row(y);
        for (std::int32_t x = 0; x < source.Width(); ++x, out += 3) {
            const PaletteColor c = in[x] < palette.size() ? palette[in[x]] : PaletteColor{};
            out[0] = c.blue;
            out[1] = c.green;
            out[2] = c.red;
        }
    }
    return copy;
}

Raster Downscaled(const Raster& source, std::int32_t width, std::int32_t height) {
    width = std::clamp(width, 1, std::max(source.Width(), 1));
    height = std::clamp(height, 1, std::max(source.Height(), 1));
    Raster target(width, height, pf24bit);
    const std::vector<Span> across = Spans(source.Width(), width);
    const std::vector<Span> down = Spans(source.Height(), height);
    const std::size_t channels = std::size_t{3} * static_cast<std::size_t>(width);
    // The row two target rows share is reduced once: kept while the next target row is made.
    std::vector<std::uint16_t> reduced(channels), kept(channels);
    std::int32_t keptRow = -1;
    std::vector<std::int32_t> sum(channels, 0);
    std::int32_t done = 0;
    for (const Span& span : down) {
        std::fill(sum.begin(), sum.end(), 0);
        for (std::size_t k = 0; k < span.weights.size(); ++k) {
            const std::int32_t row = span.first + static_cast<std::int32_t>(k);
            if (row != keptRow) {
                ReduceRow(source.Row(row), across, reduced.data());
                kept.swap(reduced);
                keptRow = row;
            }
            const std::int32_t w = span.weights[k];
            for (std::size_t c = 0; c < channels; ++c)
                sum[c] += kept[c] * w;
        }
        std::uint8_t* out = target.Row(done++);
        constexpr int kDown = kShift + kShift - 4;
        for (std::size_t c = 0; c < channels; ++c)
            out[c] = static_cast<std::uint8_t>(
                std::min<std::int32_t>((sum[c] + (1 << (kDown - 1))) >> kDown, 255));
    }
    return target;
}

}  // namespace albumon
