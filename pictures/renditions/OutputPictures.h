// An entry's output picture and thumbnail: computed first (so that the computing can run ahead
// of the writing), then written beside each other.
#pragma once

#include <optional>
#include <string>

#include "codecs/JpegCodec.h"
#include "pixels/Raster.h"
#include "renditions/PhotoOptions.h"
#include "renditions/PictureView.h"

namespace albumon {

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

// The encoded thumbnail (at kThumbnailQuality, with the source's colour profile, or converted to
// sRGB when the profile would outweigh the thumbnail) of a source, sampled from its preview-scale
// decode. A ".jpg" or ".jpeg" source that cannot be decoded gets a neutral "no preview" picture of
// the size its thumbnail would have, and noPreview (when given) is set; any other source gets none.
// Uses view as its working holder. damage, when given, receives what the decode's library warned
// about the data.
std::optional<std::string> MakeThumbnail(PictureView& view, const std::string& sourcePath,
                                         int rotation, int panelWidth, int thumbSize,
                                         bool* noPreview = nullptr, JpegDamage* damage = nullptr);

// What the user is told about an entry after a save.
enum PictureNotice {
    pnNoPreview,         // could not be decoded: a "no preview" thumbnail, the file copied
    pnTurnFailed,        // could not be turned: copied unturned
    pnLosslessFellBack,  // its size allows no lossless turn: re-encoded at the quality
    pnMetadataDropped,   // a metadata block that could not be read was left out with the location
    pnNoPicture,         // a HEIF, PNG or WebP that could not be decoded: both files "no preview"
    pnLocationKept,      // pictures saved with their location (counted over the album)
    pnNoMemory,          // memory ran out while it was read: both files "no preview"
    pnNoThread,          // a thread its decoder needed could not start: both files "no preview"
    pnCut,               // its data ends early: saved as it could be read
    pnCorrupt,           // the decoder went past a fault in its data: saved as it could be read
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
