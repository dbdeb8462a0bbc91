// The picture operations: loading a picture fitted to the preview, turning it, and writing an
// entry's output picture and thumbnail.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "pixels/Raster.h"
#include "renditions/PictureView.h"

namespace albumon {

// Choices of the general page for output pictures.
struct PhotoOptions {
    bool LosslessTurns = false;  // turn on the coefficients where the size allows it
    bool StripLocation = false;  // no location data in any output picture
    int ConvertQuality = 90;     // quality of the JPEGs made from HEIF, PNG and WebP sources
};

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

// Writes an entry's thumbnail (when makeThumbnail is set) and then its output picture: a copy of
// the source for rotation 0 (or a source that cannot be decoded), else the turned picture encoded
// at quality. Raises EFOpenError for a source that cannot be read and EFCreateError for a file
// that cannot be written; a file is replaced only once its new contents are complete.
void WritePicture(PictureView& view, const std::string& sourcePath, const std::string& targetPath,
                  const std::string& thumbPrefix, int rotation, int panelWidth, int thumbSize,
                  int quality, bool makeThumbnail, const PhotoOptions& photo = {});

// Writes the thumbnail of an entry beside its output picture (see ThumbnailPath).
void WriteThumbnail(PictureView& view, const std::string& sourcePath, const std::string& targetPath,
                    const std::string& thumbPrefix, int rotation, int panelWidth, int thumbSize);

// ---- the two halves of WritePicture: computing the bytes, then writing the files ----

// The thumbnail's path: the output picture's folder + prefix + the output picture's file name.
std::string ThumbnailPath(const std::string& targetPath, const std::string& thumbPrefix);

// The thumbnail raster sampled by nearest pixel from the preview-scale picture: long side
// thumbSize, short side in proportion (at least 1), rows counted from the bottom edge.
Raster SampleThumbnail(const Raster& source, int thumbSize);

// The encoded thumbnail (quality 75, with the source's colour profile, or converted to sRGB when
// the profile would outweigh the thumbnail) of a source, sampled from
// its preview-scale decode. A ".jpg" or ".jpeg" source that cannot be decoded gets a neutral
// "no preview" picture of the size its thumbnail would have, and noPreview (when given) is set;
// any other source gets none. Uses view as its working holder.
std::optional<std::string> MakeThumbnail(PictureView& view, const std::string& sourcePath,
                                         int rotation, int panelWidth, int thumbSize,
                                         bool* noPreview = nullptr);

// The neutral "no preview" picture of a thumbnail, width x height.
Raster NoPreviewRaster(std::int32_t width, std::int32_t height);

// What the user is told about an entry after a save.
enum PictureNotice {
    pnNoPreview,         // could not be decoded: a "no preview" thumbnail, the file copied
    pnTurnFailed,        // could not be turned: copied unturned
    pnLosslessFellBack,  // its size allows no lossless turn: re-encoded at the quality
    pnMetadataDropped,   // a metadata block that could not be read was left out with the location
    pnNoPicture,         // a HEIF, PNG or WebP that could not be decoded: both files "no preview"
    pnLocationKept,      // pictures saved with their location (counted over the album)
};

// An entry's output picture: the source copied unchanged, or the bytes to write instead (a turn,
// or the source without its location).
struct OutputPicture {
    bool copySource = true;
    std::string bytes;
    bool turnFailed = false;        // a turn was asked for and could not be done
    bool losslessFellBack = false;  // a lossless turn was asked for and re-encoded instead
    bool metadataDropped = false;   // leaving the location out dropped an unreadable block
};

// Computes the output picture. Unturned, it is the source (without its location data when asked,
// see JpegWithoutLocation; turned outputs pass the same way).
// Turned, the source is shown as its EXIF orientation asks and turned by rotation, then written
// upright with orientation 1, keeping its EXIF (no embedded thumbnail) and colour profile: on its
// coefficients when photo asks for lossless turns and the size allows a perfect transform, else
// decoded at full size in the library's accurate mode and encoded at quality. Uses view as its
// working holder: for a turned picture it holds the result afterwards (auto-size on, stretch off).
// When decoded is given and the picture was decoded to be turned, it receives that full-size
// decode, mirrored where the orientation asks (the turn is left to the encoder).
OutputPicture MakeOutputPicture(PictureView& view, const std::string& sourcePath, int rotation,
                                int quality, const PhotoOptions& photo = {},
                                Raster* decoded = nullptr);

// Writes a computed output picture to targetPath; raises EFCreateError when that fails.
void SaveOutputPicture(const OutputPicture& picture, const std::string& sourcePath,
                       const std::string& targetPath);

}  // namespace albumon
