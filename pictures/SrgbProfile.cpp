// Colour profiles of small pictures: pixels converted to sRGB with lcms2.
#include "SrgbProfile.h"

#include <lcms2.h>

#include <memory>

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

}  // namespace albumon
