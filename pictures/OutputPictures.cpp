// Writing an entry's output picture and thumbnail, split into computing the bytes and writing
// the files so that the computing can run ahead of the writing.
#include <algorithm>
#include <utility>

#include "FileSystem.h"
#include "GraphicErrors.h"
#include "Images.h"
#include "Paths.h"

namespace albumon {

namespace {

constexpr int kThumbnailQuality = 75;

// Copies b bytes a pixel from source (row from the bottom sy, column sx) to target likewise.
template <int B>
void SampleRows(const Raster& source, Raster& target, double step) {
    const std::int32_t tw = target.Width();
    const std::int32_t th = target.Height();
    for (std::int32_t j = 0; j < th; ++j) {
        auto sy = static_cast<std::int32_t>(static_cast<long double>(j) * step);
        const std::uint8_t* in = source.Row(source.Height() - 1 - sy);
        std::uint8_t* out = target.Row(th - 1 - j);
        for (std::int32_t i = 0; i < tw; ++i) {
            auto sx = static_cast<std::int64_t>(static_cast<long double>(i) * step);
            std::copy_n(in + sx * B, B, out + std::int64_t{i} * B);
        }
    }
}

}  // namespace

std::string ThumbnailPath(const std::string& targetPath, const std::string& thumbPrefix) {
    return FolderPart(targetPath) + thumbPrefix + FileNamePart(targetPath);
}

Raster SampleThumbnail(const Raster& source, int thumbSize) {
    const std::int64_t w = source.Width();
    const std::int64_t h = source.Height();
    const std::int64_t t = std::max(thumbSize, 1);
    double step;
    std::int64_t tw, th;
    if (w > h) {
        step = static_cast<double>(w) / static_cast<double>(t);
        tw = t;
        th = h * t / w;
    } else {
        step = static_cast<double>(h) / static_cast<double>(t);
        tw = w * t / h;
        th = t;
    }
    // A very elongated picture would get a side of 0 pixels: it keeps one row or column.
    Raster thumbnail(static_cast<std::int32_t>(std::max<std::int64_t>(tw, 1)),
                     static_cast<std::int32_t>(std::max<std::int64_t>(th, 1)), source.Format());
    thumbnail.SetPalette(source.Palette());
    if (source.BytesPerPixel() == 3) {
        SampleRows<3>(source, thumbnail, step);
    } else {
        SampleRows<1>(source, thumbnail, step);
    }
    return thumbnail;
}

std::optional<std::string> MakeThumbnail(PictureView& view, const std::string& sourcePath,
                                         int rotation, int panelWidth, int thumbSize) {
    LoadPicture(view, sourcePath, rotation, panelWidth);
    if (!view.HasPicture())
        return std::nullopt;
    TJPEGImage thumbnail;
    try {
        const Raster& source = view.PictureRaster();
        if (source.Empty())
            return std::nullopt;
        thumbnail.AssignRaster(SampleThumbnail(source, thumbSize));
    } catch (const EInvalidGraphic&) {
        view.ClearPicture();
        return std::nullopt;
    }
    thumbnail.SetEncodeQuality(kThumbnailQuality);
    thumbnail.Encode();
    return thumbnail.Bytes();
}

void WriteThumbnail(PictureView& view, const std::string& sourcePath, const std::string& targetPath,
                    const std::string& thumbPrefix, int rotation, int panelWidth, int thumbSize) {
    std::optional<std::string> bytes =
        MakeThumbnail(view, sourcePath, rotation, panelWidth, thumbSize);
    if (bytes)
        SavePictureBytes(ThumbnailPath(targetPath, thumbPrefix), *bytes);
}

OutputPicture MakeOutputPicture(PictureView& view, const std::string& sourcePath, int rotation,
                                int quality) {
    const RasterTurn turn = TurnForRotation(rotation);
    if (rotation == 0)
        return {};
    try {
        view.LoadFromFile(sourcePath);
    } catch (const EInvalidGraphic&) {
        view.ClearPicture();
    }
    view.AutoSize = true;
    view.Stretch = false;
    if (TJPEGImage* jpeg = view.Jpeg()) {
        jpeg->SetDecodeScale(jsFullSize);
        jpeg->SetOutputDepth(jf24Bit);
        jpeg->SetGrayOutput(false);
        jpeg->SetFastDecode(false);
    }
    // The full-size picture is turned while it is encoded, rows gathered straight from the
    // decode: the same pixels as turning it first, without a second full-size raster.
    Raster picture;
    try {
        if (view.HasPicture())
            picture = view.TakeRaster();
    } catch (const EInvalidGraphic&) {
        view.ClearPicture();
    }
    // A source that cannot be decoded is copied unchanged, as an unturned one would be.
    if (picture.Empty())
        return {};
    if (turn == rtRight || turn == rtLeft)
        std::swap(view.Left, view.Top);
    EncodeOptions options;
    options.quality = quality;
    options.turn = turn;
    TJPEGImage output;
    output.LoadFromBytes(EncodeJpeg(picture, options));
    output.SetEncodeQuality(quality);
    OutputPicture result{false, output.Bytes()};
    view.SetPicture(std::move(output));
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
                  int quality, bool makeThumbnail) {
    view.ClearPicture();
    if (makeThumbnail) {
        WriteThumbnail(view, sourcePath, targetPath, thumbPrefix, rotation, panelWidth, thumbSize);
    }
    SaveOutputPicture(MakeOutputPicture(view, sourcePath, rotation, quality), sourcePath,
                      targetPath);
}

}  // namespace albumon
