// Converting HEIF, PNG and WebP sources to the album's JPEGs.
#include "renditions/ConvertedPictures.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "FileSystem.h"
#include "PictureNames.h"
#include "codecs/JpegCodec.h"
#include "codecs/JpegImage.h"
#include "codecs/PhotoFormats.h"
#include "metadata/ExifTags.h"
#include "metadata/LocationStrip.h"
#include "metadata/PictureKind.h"
#include "pixels/GraphicErrors.h"
#include "pixels/Orientation.h"
#include "pixels/RasterTurns.h"
#include "renditions/ProfileFit.h"
#include "renditions/Thumbnails.h"

namespace albumon {

namespace {

constexpr std::int32_t kPlaceholderWidth = 640;
constexpr std::int32_t kPlaceholderHeight = 480;

std::atomic<std::uint64_t> photoFileDecodes{0};

// The first bytes of a file, enough to tell its kind; empty when it cannot be read.
std::string FirstBytes(const std::string& path) {
    std::string bytes;
    FileHandle file;
    if (OpenInputFile(path, kNoSizeLimit, file) != 0)
        return bytes;
    bytes.resize(64);
    const ssize_t got = ::read(file.get(), bytes.data(), bytes.size());
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
}

// Averages factor x factor blocks of a 24-bit raster (the last ones cut short at the edges).
Raster Reduced(const Raster& full, std::int32_t factor) {
    const std::int32_t w = (full.Width() + factor - 1) / factor;
    const std::int32_t h = (full.Height() + factor - 1) / factor;
    Raster reduced(w, h, pf24bit);
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(w) * 3);
    std::vector<std::uint32_t> counts(static_cast<std::size_t>(w));
    for (std::int32_t y = 0; y < h; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        std::fill(counts.begin(), counts.end(), 0);
        const std::int32_t last = std::min(full.Height(), (y + 1) * factor);
        for (std::int32_t sy = y * factor; sy < last; ++sy) {
            const std::uint8_t* in = full.Row(sy);
            for (std::int32_t x = 0; x < full.Width(); ++x, in += 3) {
                const std::int32_t tx = x / factor;
                sums[tx * 3] += in[0];
                sums[tx * 3 + 1] += in[1];
                sums[tx * 3 + 2] += in[2];
                ++counts[tx];
            }
        }
        std::uint8_t* out = reduced.Row(y);
        for (std::int32_t x = 0; x < w; ++x) {
            for (int c = 0; c < 3; ++c)
                out[x * 3 + c] = static_cast<std::uint8_t>((sums[x * 3 + c] + counts[x] / 2) /
                                                           std::max<std::uint32_t>(counts[x], 1));
        }
    }
    return reduced;
}

int Quarters(int rotation) {
    return rotation >= 0 && rotation <= 3 ? rotation : 0;
}

std::string EncodedThumbnail(const Raster& picture, int thumbSize, const std::string& icc) {
    EncodeOptions options;
    options.quality = kThumbnailQuality;
    options.icc = icc;
    return EncodeFittingProfile(SampleThumbnail(picture, thumbSize), options);
}

}  // namespace

bool IsConvertedSource(const std::string& path) {
    switch (SniffPicture(FirstBytes(path))) {
        case pkJpeg:
            return false;
        case pkUnknown:
            return IsConvertedName(path);
        default:
            return true;
    }
}

DecodedPicture LoadPhotoFile(const std::string& path) {
    std::string bytes;
    if (ReadWholeFile(path, bytes, kMaxPictureFileBytes) != 0)
        throw EFOpenError(path);
    photoFileDecodes.fetch_add(1, std::memory_order_relaxed);
    try {
        return DecodePhoto(bytes);
    } catch (const EInvalidGraphic& error) {
        throw EInvalidGraphic(path + ": " + error.what());
    }
}

std::uint64_t PhotoFileDecodes() {
    return photoFileDecodes.load(std::memory_order_relaxed);
}

Raster PreviewRaster(const Raster& full, int panelSize) {
    const std::int64_t side = std::max(panelSize - 4, 1);
    const std::int64_t ratio = std::max(full.Width(), full.Height()) / side;
    const std::int32_t factor = ratio <= 1 ? 1 : ratio == 2 ? 2 : ratio <= 4 ? 4 : 8;
    return factor == 1 ? full : Reduced(full, factor);
}

Raster OrientedRaster(const Raster& raster, int orientationTag, int rotation) {
    const Orientation orientation = OrientationForTag(orientationTag).Then(Quarters(rotation));
    if (!orientation.mirror)
        return Turned(raster, orientation.Turn());
    Raster mirrored = raster;
    MirrorInPlace(mirrored);
    return Turned(mirrored, orientation.Turn());
}

std::string ConvertedJpeg(DecodedPicture& picture, int rotation, int quality, bool stripLocation) {
    const Orientation orientation = OrientationForTag(picture.orientation).Then(Quarters(rotation));
    if (orientation.mirror)
        MirrorInPlace(picture.raster);
    EncodeOptions options;
    options.quality = quality;
    options.turn = orientation.Turn();
    options.icc = picture.icc;
    if (!picture.exif.empty()) {
        const bool quarter = orientation.Quarter();
        const Raster& r = picture.raster;
        options.exif = UprightExif(picture.exif, quarter ? r.Height() : r.Width(),
                                   quarter ? r.Width() : r.Height(), false);
    }
    std::string jpeg = EncodeJpeg(picture.raster, options);
    if (stripLocation) {
        // the one door for leaving the location out of a picture bound for the album
        if (LocationFree free = JpegWithoutLocation(jpeg); free.changed)
            jpeg = std::move(free.bytes);
    }
    return jpeg;
}

std::string PlaceholderJpeg() {
    EncodeOptions options;
    options.quality = kThumbnailQuality;
    return EncodeJpeg(NoPreviewRaster(kPlaceholderWidth, kPlaceholderHeight), options);
}

std::string PlaceholderThumbnail(int rotation, int thumbSize) {
    const bool quarter = Quarters(rotation) % 2 != 0;
    const std::int32_t t = std::max(thumbSize, 1);
    const std::int32_t shorter = std::max(t * kPlaceholderHeight / kPlaceholderWidth, 1);
    EncodeOptions options;
    options.quality = kThumbnailQuality;
    return EncodeJpeg(quarter ? NoPreviewRaster(shorter, t) : NoPreviewRaster(t, shorter), options);
}

ConvertedEntry MakeConvertedEntry(const std::string& path, int rotation, int panelWidth,
                                  int thumbSize, const PhotoOptions& photo,
                                  const std::vector<int>& screenSides) {
    ConvertedEntry entry;
    DecodedPicture picture;
    try {
        picture = LoadPhotoFile(path);
    } catch (const EInvalidGraphic&) {
        entry.noPreview = true;
        entry.thumbnail = PlaceholderThumbnail(rotation, thumbSize);
        entry.picture = PlaceholderJpeg();
        return entry;
    }
    const Raster preview =
        OrientedRaster(PreviewRaster(picture.raster, panelWidth), picture.orientation, rotation);
    entry.thumbnail = EncodedThumbnail(preview, thumbSize, picture.icc);
    entry.picture = ConvertedJpeg(picture, rotation, photo.ConvertQuality, photo.StripLocation);
    if (!screenSides.empty()) {
        // The decode as stored, mirrored by ConvertedJpeg where its orientation asks: what
        // ScreenSizesOf takes from a JPEG's decode.
        JpegHeader header;
        header.width = picture.raster.Width();
        header.height = picture.raster.Height();
        header.orientation = picture.orientation;
        header.icc = picture.icc;
        entry.screens =
            ScreenSizesOf(std::move(picture.raster), header, Quarters(rotation), screenSides);
    }
    return entry;
}

}  // namespace albumon
