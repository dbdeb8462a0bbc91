// Writing an entry's output picture and thumbnail, split into computing the bytes and writing
// the files so that the computing can run ahead of the writing.
#include "renditions/OutputPictures.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <utility>

#include "FileSystem.h"
#include "Paths.h"
#include "PictureNames.h"
#include "codecs/LosslessTurn.h"
#include "codecs/TurnedJpeg.h"
#include "metadata/ExifLocation.h"
#include "metadata/ExifTags.h"
#include "metadata/JpegSegments.h"
#include "metadata/LocationStrip.h"
#include "pixels/GraphicErrors.h"
#include "pixels/Orientation.h"
#include "pixels/RasterTurns.h"
#include "renditions/ConvertedPictures.h"
#include "renditions/Images.h"
#include "renditions/ProfileFit.h"
#include "renditions/Thumbnails.h"

namespace albumon {

std::string ThumbnailPath(const std::string& targetPath, const std::string& thumbPrefix) {
    return FolderPart(targetPath) + thumbPrefix + FileNamePart(targetPath);
}

namespace {

// The size of the thumbnail a picture of width x height gets: long side thumbSize.
std::pair<std::int32_t, std::int32_t> ThumbnailSize(std::int64_t w, std::int64_t h, int thumbSize) {
    const std::int64_t t = std::max(thumbSize, 1);
    if (w < 1 || h < 1)
        return {static_cast<std::int32_t>(t), static_cast<std::int32_t>(t)};
    if (w > h)
        return {static_cast<std::int32_t>(t),
                static_cast<std::int32_t>(std::max<std::int64_t>(h * t / w, 1))};
    return {static_cast<std::int32_t>(std::max<std::int64_t>(w * t / h, 1)),
            static_cast<std::int32_t>(t)};
}

// The "no preview" thumbnail of a source that cannot be decoded, shaped as the picture would be.
std::string NoPreviewThumbnail(const std::string& sourcePath,
                               const std::shared_ptr<const TJPEGData>& data, int rotation,
                               int thumbSize) {
    std::int32_t w = 0, h = 0;
    int tag = 1;
    if (data) {
        w = data->header.width;
        h = data->header.height;
        tag = data->header.orientation;
    } else {
        std::string bytes;
        if (ReadWholeFile(sourcePath, bytes) == 0) {
            if (auto size = FrameSize(bytes))
                std::tie(w, h) = *size;
        }
    }
    if (OrientationForTag(tag).Then(rotation >= 0 && rotation <= 3 ? rotation : 0).Quarter())
        std::swap(w, h);
    auto [tw, th] = ThumbnailSize(w, h, thumbSize);
    TJPEGImage thumbnail;
    thumbnail.AssignRaster(NoPreviewRaster(tw, th));
    thumbnail.SetEncodeQuality(kThumbnailQuality);
    thumbnail.Encode();
    return thumbnail.Bytes();
}

}  // namespace

std::optional<std::string> MakeThumbnail(PictureView& view, const std::string& sourcePath,
                                         int rotation, int panelWidth, int thumbSize,
                                         bool* noPreview, JpegDamage* damage) {
    if (noPreview)
        *noPreview = false;
    std::shared_ptr<const TJPEGData> data = LoadPictureData(view, sourcePath, rotation, panelWidth);
    Raster sampled;
    try {
        if (view.HasPicture() && !view.PictureRaster().Empty())
            sampled = SampleThumbnail(view.PictureRaster(), thumbSize);
    } catch (const EInvalidGraphic&) {
        view.ClearPicture();
    }
    // The picture is decoded by now, and what the decode warned about is known.
    if (damage)
        *damage = data ? data->damage.load() : jdNone;
    if (sampled.Empty()) {
        if (!IsPictureName(sourcePath))
            return std::nullopt;
        if (noPreview)
            *noPreview = true;
        return NoPreviewThumbnail(sourcePath, data, rotation, thumbSize);
    }
    EncodeOptions options;
    options.quality = kThumbnailQuality;
    if (data)
        options.icc = data->header.icc;
    return EncodeFittingProfile(sampled, options);
}

void WriteThumbnail(PictureView& view, const std::string& sourcePath, const std::string& targetPath,
                    const std::string& thumbPrefix, int rotation, int panelWidth, int thumbSize) {
    std::optional<std::string> bytes =
        MakeThumbnail(view, sourcePath, rotation, panelWidth, thumbSize);
    if (bytes)
        SavePictureBytes(ThumbnailPath(targetPath, thumbPrefix), *bytes);
}

namespace {

// The output picture of bytes without location data, or the source itself when it has none.
OutputPicture WithoutLocation(const std::string& bytes) {
    LocationFree free = JpegWithoutLocation(bytes);
    if (!free.changed)
        return {};
    OutputPicture picture{false, std::move(free.bytes)};
    picture.metadataDropped = free.unreadable;
    return picture;
}

// The unturned output: the source itself, or its bytes without location data when asked.
OutputPicture UnturnedPicture(const std::string& sourcePath, const PhotoOptions& photo) {
    if (!photo.StripLocation)
        return {};
    std::string bytes;
    if (ReadWholeFile(sourcePath, bytes) != 0)
        throw EFOpenError(sourcePath);
    return WithoutLocation(bytes);
}

// The EXIF a turned output carries: the source's, upright, for a picture of width x height.
std::string TurnedExif(const JpegHeader& header, Orientation orientation, bool withoutLocation) {
    if (header.exif.empty())
        return {};
    const bool quarter = orientation.Quarter();
    return UprightExif(header.exif, quarter ? header.height : header.width,
                       quarter ? header.width : header.height, withoutLocation);
}

// The source turned on its coefficients, its markers kept and its EXIF made upright.
std::optional<std::string> LosslessPicture(const TJPEGData& data, Orientation orientation,
                                           const PhotoOptions& photo) {
    std::optional<std::string> turned = TurnLosslessly(data.bytes, orientation);
    if (!turned)
        return std::nullopt;
    if (!data.header.exif.empty()) {
        *turned =
            WithExifPayload(*turned, TurnedExif(data.header, orientation, photo.StripLocation));
    }
    return turned;
}

// The source decoded a band at a time and encoded turned: for a picture whose whole raster does
// not fit beside the coefficients its decode keeps. None when it cannot be decoded at all.
std::optional<std::string> BandedPicture(const TJPEGData& data, Orientation orientation,
                                         const EncodeOptions& options) {
    try {
        return TurnedByBands(data.bytes, orientation, options);
    } catch (const EInvalidGraphic&) {
        return std::nullopt;
    }
}

// A HEIF, PNG or WebP source: always a JPEG, encoded once; a placeholder when undecodable.
OutputPicture ConvertedPicture(const std::string& sourcePath, int rotation,
                               const PhotoOptions& photo) {
    try {
        DecodedPicture picture = LoadPhotoFile(sourcePath);
        return {false, ConvertedJpeg(picture, rotation, photo.ConvertQuality, photo.StripLocation)};
    } catch (const EInvalidGraphic&) {
        return {false, PlaceholderJpeg()};
    }
}

}  // namespace

OutputPicture MakeOutputPicture(PictureView& view, const std::string& sourcePath, int rotation,
                                int quality, const PhotoOptions& photo, Raster* decoded) {
    if (IsConvertedSource(sourcePath))
        return ConvertedPicture(sourcePath, rotation, photo);
    if (rotation < 1 || rotation > 3)
        return UnturnedPicture(sourcePath, photo);
    try {
        view.LoadFromFile(sourcePath);
    } catch (const EInvalidGraphic&) {
        view.ClearPicture();
    }
    view.AutoSize = true;
    view.Stretch = false;
    std::shared_ptr<const TJPEGData> data;
    if (TJPEGImage* jpeg = view.Jpeg()) {
        data = jpeg->Data();
        jpeg->SetDecodeScale(jsFullSize);
        jpeg->SetOutputDepth(jf24Bit);
        jpeg->SetGrayOutput(false);
        jpeg->SetFastDecode(false);
    }
    const Orientation orientation =
        OrientationForTag(data ? data->header.orientation : 1).Then(rotation);
    bool fellBack = false;
    std::optional<std::string> bytes;
    if (photo.LosslessTurns && data) {
        bytes = LosslessPicture(*data, orientation, photo);
        fellBack = !bytes;
    }
    if (!bytes) {
        EncodeOptions options;
        options.quality = quality;
        options.turn = orientation.Turn();
        options.exif = data ? TurnedExif(data->header, orientation, photo.StripLocation) : "";
        options.icc = data ? data->header.icc : "";
        // The full-size picture is turned while it is encoded, rows gathered straight from the
        // decode: the same pixels as turning it first, without a second full-size raster.
        Raster picture;
        try {
            if (view.HasPicture())
                picture = view.TakeRaster();
        } catch (const EInvalidGraphic&) {
            view.ClearPicture();
        }
        if (!picture.Empty()) {
            if (orientation.mirror)
                MirrorInPlace(picture);
            bytes = EncodeJpeg(picture, options);
            if (decoded)
                *decoded = std::move(picture);
        } else if (data) {
            bytes = BandedPicture(*data, orientation, options);
        }
        // A source that cannot be decoded is copied unchanged, as an unturned one would be.
        if (!bytes) {
            OutputPicture copy = UnturnedPicture(sourcePath, photo);
            copy.turnFailed = true;
            return copy;
        }
    }
    if (orientation.Quarter())
        std::swap(view.Left, view.Top);
    TJPEGImage output;
    output.LoadFromBytes(*bytes);
    output.SetEncodeQuality(quality);
    view.SetPicture(std::move(output));
    OutputPicture result{false, std::move(*bytes)};
    if (photo.StripLocation) {
        if (OutputPicture free = WithoutLocation(result.bytes); !free.copySource)
            result = std::move(free);
        // What of the source's EXIF could not be read was left out of the upright block.
        result.metadataDropped =
            result.metadataDropped ||
            (data && !data->header.exif.empty() && ExifLocationEdit(data->header.exif).unreadable);
    }
    result.losslessFellBack = fellBack;
    return result;
}

void SaveOutputPicture(const OutputPicture& picture, const std::string& sourcePath,
                       const std::string& targetPath) {
    if (!picture.copySource) {
        SavePictureBytes(targetPath, picture.bytes);
    } else if (CopyFileReplacing(sourcePath, targetPath) != 0) {
        throw EFCreateError(targetPath);
    }
}

void WritePicture(PictureView& view, const std::string& sourcePath, const std::string& targetPath,
                  const std::string& thumbPrefix, int rotation, int panelWidth, int thumbSize,
                  int quality, bool makeThumbnail, const PhotoOptions& photo) {
    view.ClearPicture();
    if (makeThumbnail) {
        WriteThumbnail(view, sourcePath, targetPath, thumbPrefix, rotation, panelWidth, thumbSize);
    }
    SaveOutputPicture(MakeOutputPicture(view, sourcePath, rotation, quality, photo), sourcePath,
                      targetPath);
}

}  // namespace albumon
