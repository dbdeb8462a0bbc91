// PictureView: the picture it holds, auto-sizing and the loader.
#include "renditions/PictureView.h"

#include "Paths.h"
#include "PictureNames.h"
#include "pixels/GraphicErrors.h"
#include "renditions/ConvertedPictures.h"

namespace albumon {

PictureClass PictureView::Class() const {
    if (std::holds_alternative<TJPEGImage>(picture_))
        return pcJPEG;
    if (std::holds_alternative<Raster>(picture_))
        return pcRaster;
    return pcNone;
}

std::int32_t PictureView::PictureWidth() const {
    if (auto* jpeg = std::get_if<TJPEGImage>(&picture_))
        return jpeg->Width();
    if (auto* raster = std::get_if<Raster>(&picture_))
        return raster->Width();
    return 0;
}

std::int32_t PictureView::PictureHeight() const {
    if (auto* jpeg = std::get_if<TJPEGImage>(&picture_))
        return jpeg->Height();
    if (auto* raster = std::get_if<Raster>(&picture_))
        return raster->Height();
    return 0;
}

void PictureView::SetPicture(TJPEGImage picture) {
    picture_ = std::move(picture);
    PictureChanged();
}

void PictureView::SetPicture(Raster picture) {
    picture_ = std::move(picture);
    PictureChanged();
}

void PictureView::ClearPicture() {
    picture_ = std::monostate{};
    PictureChanged();
}

void PictureView::PictureChanged() {
    if (!AutoSize)
        return;
    Width = PictureWidth();
    Height = PictureHeight();
}

const Raster& PictureView::PictureRaster() {
    if (auto* jpeg = std::get_if<TJPEGImage>(&picture_))
        return jpeg->GetRaster();
    return std::get<Raster>(picture_);
}

Raster PictureView::TakeRaster() {
    Raster raster;
    if (auto* jpeg = std::get_if<TJPEGImage>(&picture_)) {
        raster = jpeg->TakeRaster();
    } else {
        raster = std::move(std::get<Raster>(picture_));
    }
    ClearPicture();
    return raster;
}

const Raster* PictureView::DisplayRaster() {
    if (!HasPicture())
        return nullptr;
    try {
        return &PictureRaster();
    } catch (const EInvalidGraphic&) {
        ClearPicture();
        return nullptr;
    }
}

void PictureView::LoadFromFile(const std::string& path) {
    std::string extension = ExtensionOf(FileNamePart(path));
    if (!extension.empty())
        extension.erase(0, 1);
    if (!IsPictureName(path)) {
        throw EInvalidGraphic(FormatMessage("拡張子 .%s の画像形式は処理できません", extension));
    }
    if (IsConvertedSource(path)) {
        DecodedPicture decoded = LoadPhotoFile(path);
        SetPicture(OrientedRaster(decoded.raster, decoded.orientation, 0));
        return;
    }
    TJPEGImage picture;
    picture.LoadFromFile(path);
    SetPicture(std::move(picture));
}

}  // namespace albumon
