// Colour profiles of small pictures: lcms2 transforms and APP2 profile segments.
#include "SrgbProfile.h"

#include <lcms2.h>

#include <algorithm>
#include <memory>

#include "JpegSegments.h"

namespace albumon {

namespace {

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;
using Transform = std::unique_ptr<void, TransformDeleter>;

// Profile bytes a segment carries at most (65535 less the length, name and numbering).
constexpr std::size_t kChunk = 65519;

}  // namespace

bool ConvertToSrgb(Raster& raster, const std::string& icc) {
    if (raster.Format() != pf24bit || icc.empty())
        return false;
    Profile source(cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size())));
    if (!source || cmsGetColorSpace(source.get()) != cmsSigRgbData)
        return false;
    Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb)
        return false;
    Transform transform(
        cmsCreateTransform(source.get(), TYPE_BGR_8, srgb.get(), TYPE_BGR_8, INTENT_PERCEPTUAL, 0));
    if (!transform)
        return false;
    for (std::int32_t y = 0; y < raster.Height(); ++y) {
        cmsDoTransform(transform.get(), raster.Row(y), raster.Row(y),
                       static_cast<cmsUInt32Number>(raster.Width()));
    }
    return true;
}

std::string WithIccProfile(const std::string& jpeg, const std::string& icc) {
    if (icc.empty())
        return jpeg;
    const std::vector<JpegSegment> segments = HeaderSegments(jpeg);
    // After the start of image and the JFIF segment when there is one.
    std::size_t at = 2;
    if (!segments.empty() && segments[0].marker == 0xE0)
        at = segments[0].offset + segments[0].length;
    const std::size_t count = (icc.size() + kChunk - 1) / kChunk;
    std::string inserted;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t size = std::min(kChunk, icc.size() - k * kChunk);
        const std::size_t length = 2 + 12 + 2 + size;
        inserted += '\xFF';
        inserted += '\xE2';
        inserted += static_cast<char>(length >> 8);
        inserted += static_cast<char>(length & 0xFF);
        inserted.append("ICC_PROFILE", 12);  // with its terminating NUL
        inserted += static_cast<char>(k + 1);
        inserted += static_cast<char>(count);
        inserted.append(icc, k * kChunk, size);
    }
    return jpeg.substr(0, at) + inserted + jpeg.substr(at);
}

}  // namespace albumon
