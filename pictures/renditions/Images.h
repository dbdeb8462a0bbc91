// The picture operations on the preview: loading a picture fitted to its panel and turning it.
#pragma once

#include <memory>
#include <string>

#include "pixels/Raster.h"
#include "renditions/PictureView.h"

namespace albumon {

// Whether the file name ends in ".jpg" or ".jpeg", in any letter case.
bool HasJpegExtension(const std::string& path);

// Loads a picture file (IsPictureName; JPEG, HEIF, PNG or WebP by its content) into the
// view, fitted into a square panel of panelSize, shown as its orientation asks and then turned by
// rotation (quarter turns clockwise, 0..3). Any other file or one of 0 x 0 pixels leaves the view
// empty; a HEIF, PNG or WebP source that cannot be decoded shows the "no preview" picture.
// EFOpenError (file cannot be read) reaches the caller.
void LoadPicture(PictureView& view, const std::string& path, int rotation, int panelSize);

// LoadPicture into a panel of panelWidth x panelHeight: the picture as it is shown (turned)
// fits the panel, and is decoded at the smallest scale that still covers its place.
void LoadPicture(PictureView& view, const std::string& path, int rotation, int panelWidth,
                 int panelHeight);

// LoadPicture, handing back the loaded JPEG file's bytes and header (null when it did not load or
// is no JPEG); an undecodable source leaves the view empty.
std::shared_ptr<const TJPEGData> LoadPictureData(PictureView& view, const std::string& path,
                                                 int rotation, int panelSize);
std::shared_ptr<const TJPEGData> LoadPictureData(PictureView& view, const std::string& path,
                                                 int rotation, int panelWidth, int panelHeight);

// Places the view inside the panel (aspect kept, long side panelSize - 4), switches stretch on,
// and, for a JPEG picture, picks the decode scale from the long side and asks for a fast decode.
void FitPicture(PictureView& view, int panelSize);
// The same in a panel of panelWidth x panelHeight: the side that limits the fit is panel - 4,
// the decode scale comes from that side.
void FitPicture(PictureView& view, int panelWidth, int panelHeight);

// Turn the view's picture; the quarter turns also exchange its width and height and its left
// and top. A view without a picture is left as it is. Decode errors reach the caller.
void RotateRight(PictureView& view);
void RotateLeft(PictureView& view);
void Rotate180(PictureView& view);

// The turn a stored rotation stands for: 1 a quarter clockwise, 2 a half, 3 a quarter
// counter-clockwise, anything else none.
RasterTurn TurnForRotation(int rotation);

// Replays a stored rotation: 1 RotateRight, 2 Rotate180, 3 RotateLeft, anything else nothing.
void RotateBy(PictureView& view, int rotation);

// Whether the view shows the "no preview" picture (of a source that could not be decoded).
bool ShowsNoPreview(const PictureView& view);

}  // namespace albumon
