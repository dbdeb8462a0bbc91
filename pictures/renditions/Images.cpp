// Loading a picture into the preview, fitting it to the panel, and turning it.
#include "renditions/Images.h"

#include <algorithm>
#include <utility>

#include "FileSystem.h"
#include "Paths.h"
#include "PictureNames.h"
#include "pixels/GraphicErrors.h"
#include "pixels/Orientation.h"
#include "pixels/RasterTurns.h"
#include "renditions/ConvertedPictures.h"
#include "renditions/Thumbnails.h"

namespace albumon {

bool HasJpegExtension(const std::string& path) {
    std::string extension = AsciiLower(ExtensionOf(FileNamePart(path)));
    return extension == ".jpg" || extension == ".jpeg";
}

namespace {

// The decode scale for the ratio of the picture's long side to the fitted side.
JpegScale ScaleForRatio(std::int64_t ratio) {
    if (ratio <= 1)
        return jsFullSize;
    if (ratio == 2)
        return jsHalf;
    if (ratio <= 4)
        return jsQuarter;
    return jsEighth;
}

void Turn(PictureView& view, RasterTurn turn) {
    if (!view.HasPicture() || turn == rtNone)
        return;
    if (turn != rtHalf) {
        std::swap(view.Width, view.Height);
        std::swap(view.Left, view.Top);
    }
    view.SetPicture(Turned(view.PictureRaster(), turn));
}

// Mirrors (which needs the pixels) and turns the view's picture.
void Orient(PictureView& view, Orientation orientation) {
    if (!view.HasPicture() || orientation.Identity())
        return;
    if (orientation.mirror) {
        Raster raster = view.TakeRaster();
        MirrorInPlace(raster);
        view.SetPicture(std::move(raster));
    }
    Turn(view, orientation.Turn());
}

// A HEIF, PNG or WebP source: decoded, reduced to the preview's size, fitted and turned.
void LoadConvertedPreview(PictureView& view, const std::string& path, int rotation, int panelWidth,
                          int panelHeight) {
    DecodedPicture picture = LoadPhotoFile(path);
    view.SetPicture(PreviewRaster(picture.raster, std::max(panelWidth, panelHeight)));
    const Orientation orientation = OrientationForTag(picture.orientation).Then(rotation);
    // A quarter turn exchanges the place's sides: the unturned picture fits the turned panel.
    if (orientation.quarters % 2 == 1)
        FitPicture(view, panelHeight, panelWidth);
    else
        FitPicture(view, panelWidth, panelHeight);
    Orient(view, orientation);
}

}  // namespace

std::shared_ptr<const TJPEGData> LoadPictureData(PictureView& view, const std::string& path,
                                                 int rotation, int panelSize) {
    return LoadPictureData(view, path, rotation, panelSize, panelSize);
}

std::shared_ptr<const TJPEGData> LoadPictureData(PictureView& view, const std::string& path,
                                                 int rotation, int panelWidth, int panelHeight) {
    view.ClearPicture();
    if (!IsPictureName(path))
        return nullptr;
    if (IsConvertedSource(path)) {
        try {
            LoadConvertedPreview(view, path, rotation >= 0 && rotation <= 3 ? rotation : 0,
                                 panelWidth, panelHeight);
        } catch (const EInvalidGraphic&) {
            view.ClearPicture();
        }
        return nullptr;
    }
    try {
        view.LoadFromFile(path);
    } catch (const EInvalidGraphic&) {
        view.ClearPicture();
    }
    if (!view.HasPicture())
        return nullptr;
    std::shared_ptr<const TJPEGData> data = view.Jpeg()->Data();
    // A file of 0 bytes loads as a 0 x 0 picture: that is no picture, and nothing to fit.
    if (view.PictureWidth() < 1 || view.PictureHeight() < 1) {
        view.ClearPicture();
        return data;
    }
    const int quarters = rotation >= 0 && rotation <= 3 ? rotation : 0;
    const Orientation orientation = OrientationForTag(data->header.orientation).Then(quarters);
    // A quarter turn exchanges the place's sides: the unturned picture fits the turned panel.
    if (orientation.quarters % 2 == 1)
        FitPicture(view, panelHeight, panelWidth);
    else
        FitPicture(view, panelWidth, panelHeight);
    try {
        Orient(view, orientation);
    } catch (const EInvalidGraphic&) {
        view.ClearPicture();
    }
    return data;
}

void LoadPicture(PictureView& view, const std::string& path, int rotation, int panelSize) {
    LoadPicture(view, path, rotation, panelSize, panelSize);
}

void LoadPicture(PictureView& view, const std::string& path, int rotation, int panelWidth,
                 int panelHeight) {
    LoadPictureData(view, path, rotation, panelWidth, panelHeight);
    if (!view.HasPicture() && IsConvertedSource(path) && FileExists(path)) {
        const int side = std::min(panelWidth, panelHeight) - 4;
        view.SetPicture(NoPreviewRaster(side, side * 3 / 4));
        FitPicture(view, panelWidth, panelHeight);
    }
}

void FitPicture(PictureView& view, int panelSize) {
    FitPicture(view, panelSize, panelSize);
}

void FitPicture(PictureView& view, int panelWidth, int panelHeight) {
    view.AutoSize = false;
    view.Stretch = true;
    const std::int64_t sideW = std::max(panelWidth - 4, 1);
    const std::int64_t sideH = std::max(panelHeight - 4, 1);
    const std::int64_t w = view.PictureWidth();
    const std::int64_t h = view.PictureHeight();
    if (w < 1 || h < 1)
        return;
    std::int64_t ratio;
    if (w * sideH > h * sideW) {  // the width is the limit
        ratio = w / sideW;
        view.Width = static_cast<std::int32_t>(sideW);
        view.Height = static_cast<std::int32_t>(sideW * h / w);
        view.Left = 2;
        view.Top = static_cast<std::int32_t>((sideH - view.Height) / 2);
    } else {
        ratio = h / sideH;
        view.Width = static_cast<std::int32_t>(sideH * w / h);
        view.Height = static_cast<std::int32_t>(sideH);
        view.Left = static_cast<std::int32_t>((sideW - view.Width) / 2);
        view.Top = 2;
    }
    if (TJPEGImage* jpeg = view.Jpeg()) {
        jpeg->SetDecodeScale(ScaleForRatio(ratio));
        jpeg->SetOutputDepth(jf24Bit);
        jpeg->SetGrayOutput(false);
        jpeg->SetFastDecode(true);
    }
}

void RotateRight(PictureView& view) {
    Turn(view, rtRight);
}

void RotateLeft(PictureView& view) {
    Turn(view, rtLeft);
}

void Rotate180(PictureView& view) {
    Turn(view, rtHalf);
}

RasterTurn TurnForRotation(int rotation) {
    switch (rotation) {
        case 1:
            return rtRight;
        case 2:
            return rtHalf;
        case 3:
            return rtLeft;
        default:
            return rtNone;
    }
}

void RotateBy(PictureView& view, int rotation) {
    Turn(view, TurnForRotation(rotation));
}

bool ShowsNoPreview(const PictureView& view) {
    const Raster* shown = view.Bitmap();
    return shown && shown->Format() == pf8bit &&
           shown->Palette() == NoPreviewRaster(1, 1).Palette();
}

}  // namespace albumon
