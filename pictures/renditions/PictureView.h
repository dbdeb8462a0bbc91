// PictureView: the picture display control as a plain object. It owns one picture (a JPEG
// picture or a raster), its place in the containing panel and its drawing flags; the window
// draws it, the picture operations use it as their working holder.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "codecs/JpegImage.h"
#include "pixels/Raster.h"

namespace albumon {

// The class of the picture a view holds.
enum PictureClass { pcNone, pcJPEG, pcRaster };

class PictureView {
  public:
    // Place in the containing panel, in pixels.
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    // Draw scaled to exactly Width x Height; else at the picture's own size.
    bool Stretch = false;
    // Take the picture's width and height whenever the picture changes.
    bool AutoSize = false;
    // With Stretch off, centre the picture in the view's area.
    bool Center = false;
    bool Visible = true;

    PictureClass Class() const;
    bool HasPicture() const { return Class() != pcNone; }
    // The picture's size (for a JPEG picture at its decode scale); 0 without a picture.
    std::int32_t PictureWidth() const;
    std::int32_t PictureHeight() const;

    // The held JPEG picture or raster, or nullptr when the view holds the other class or none.
    TJPEGImage* Jpeg() { return std::get_if<TJPEGImage>(&picture_); }
    const Raster* Bitmap() const { return std::get_if<Raster>(&picture_); }

    // Stores the picture (the view owns it from now on).
    void SetPicture(TJPEGImage picture);
    void SetPicture(Raster picture);
    void ClearPicture();

    // The picture's pixels, decoding a JPEG picture first with its current settings. Raises
    // EInvalidGraphic (EJPEG) when it cannot be decoded; the view must hold a picture.
    const Raster& PictureRaster();
    // Moves the picture's pixels out (decoding first) and leaves the view without a picture.
    Raster TakeRaster();

    // What the window draws: the pixels (rows top first, 24-bit blue-green-red or 8-bit through
    // the palette), or nullptr when there is no picture or it cannot be decoded, in which case
    // the view drops it: an unreadable picture counts as no picture.
    const Raster* DisplayRaster();

    // The loader: reads a file into the view's picture. A file with a picture extension
    // (IsPictureName) holding JPEG data is a JPEG picture; HEIF, PNG and WebP data (told by
    // content) gives a raster, upright. The picture is replaced only when
    // loading succeeds. Raises EInvalidGraphic for other extensions, EFOpenError when the file
    // cannot be read and EJPEG when the library rejects its header.
    void LoadFromFile(const std::string& path);

  private:
    void PictureChanged();

    std::variant<std::monostate, TJPEGImage, Raster> picture_;
};

}  // namespace albumon
