// Lossless turns through TurboJPEG's tjTransform with the perfect-transform check.
#include "codecs/LosslessTurn.h"

#include <turbojpeg.h>

#include <cstdint>
#include <memory>

#include "codecs/DecodedPicture.h"

namespace albumon {

namespace {

struct TurboRelease {
    void operator()(void* handle) const { tjDestroy(handle); }
};

struct TurboFree {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

int Operation(Orientation orientation) {
    static constexpr int kPlain[] = {TJXOP_NONE, TJXOP_ROT90, TJXOP_ROT180, TJXOP_ROT270};
    static constexpr int kMirrored[] = {TJXOP_HFLIP, TJXOP_TRANSVERSE, TJXOP_VFLIP,
                                        TJXOP_TRANSPOSE};
    return (orientation.mirror ? kMirrored : kPlain)[orientation.quarters];
}

// Samples a pixel has across the components (the coefficients the file holds per pixel).
double SamplesPerPixel(int subsampling) {
    switch (subsampling) {
        case TJSAMP_444:
            return 3;
        case TJSAMP_422:
        case TJSAMP_440:
            return 2;
        case TJSAMP_420:
        case TJSAMP_411:
            return 1.5;
        case TJSAMP_GRAY:
            return 1;
        default:
            return 4;  // four components, as far as is known
    }
}

}  // namespace

std::optional<std::string> TurnLosslessly(const std::string& bytes, Orientation orientation) {
    std::unique_ptr<void, TurboRelease> handle(tjInitTransform());
    if (!handle || bytes.empty())
        return std::nullopt;
    auto* source = reinterpret_cast<const unsigned char*>(bytes.data());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), source, bytes.size(), &width, &height, &subsampling,
                            &colorspace) != 0) {
        return std::nullopt;
    }
    // The transform holds the file's coefficients twice, as read and as turned; when they would
    // not fit in a decode's bytes, the picture is turned through its pixels instead.
    if (double(width) * height * SamplesPerPixel(subsampling) * 2 * sizeof(short) * 2 >
        double(kMaxDecodeBytes))
        return std::nullopt;
    tjtransform transform{};
    transform.op = Operation(orientation);
    transform.options = TJXOPT_PERFECT;
    unsigned char* output = nullptr;
    unsigned long outputSize = 0;
    const int result = tjTransform(handle.get(), source, bytes.size(), 1, &output, &outputSize,
                                   &transform, TJFLAG_LIMITSCANS);
    std::unique_ptr<unsigned char, TurboFree> owned(output);
    if (result != 0 || !output)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(output), outputSize);
}

}  // namespace albumon
