// Building ICC profiles with lcms2.
#include "pixels/ColourProfiles.h"

#include <lcms2.h>

#include <memory>

namespace albumon {

namespace {

struct ProfileRelease {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using ProfileHandle = std::unique_ptr<void, ProfileRelease>;

struct TransformRelease {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using TransformHandle = std::unique_ptr<void, TransformRelease>;

struct CurveRelease {
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};
using CurveHandle = std::unique_ptr<cmsToneCurve, CurveRelease>;

std::string Serialise(cmsHPROFILE profile) {
    if (!profile)
        return {};
    ProfileHandle owned(profile);
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile, nullptr, &size) || size == 0)
        return {};
    std::string bytes(size, '\0');
    if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
        return {};
    bytes.resize(size);
    return bytes;
}

CurveHandle MakeCurve(const TransferCurve& curve) {
    if (curve.kind == tkGamma)
        return CurveHandle(cmsBuildGamma(nullptr, curve.gamma));
    // Type 4: Y = (aX + b)^g for X >= d, else cX.
    const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    const cmsFloat64Number video[5] = {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081};
    return CurveHandle(
        cmsBuildParametricToneCurve(nullptr, 4, curve.kind == tkSrgb ? srgb : video));
}

}  // namespace

std::string MakeRgbProfile(const Chromaticities& p, const TransferCurve& curve) {
    const cmsCIExyY white = {p.whiteX, p.whiteY, 1.0};
    const cmsCIExyYTRIPLE primaries = {
        {p.redX, p.redY, 1.0}, {p.greenX, p.greenY, 1.0}, {p.blueX, p.blueY, 1.0}};
    CurveHandle tone = MakeCurve(curve);
    if (!tone)
        return {};
    cmsToneCurve* curves[3] = {tone.get(), tone.get(), tone.get()};
    return Serialise(cmsCreateRGBProfile(&white, &primaries, curves));
}

std::string SrgbProfile() {
    return Serialise(cmsCreate_sRGBProfile());
}

bool ConvertToSrgb(Raster& raster, const std::string& icc) {
    if (raster.Format() != pf24bit || icc.empty())
        return false;
    ProfileHandle source(
        cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size())));
    if (!source || cmsGetColorSpace(source.get()) != cmsSigRgbData)
        return false;
    ProfileHandle srgb(cmsCreate_sRGBProfile());
    if (!srgb)
        return false;
    TransformHandle transform(
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
