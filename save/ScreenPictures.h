// What a save adds to an entry beyond its thumbnail and picture, from the source as the
// thumbnail read it: its screen-size pictures, and whether its picture goes out with a location.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AlbumState.h"
#include "EntryJob.h"
#include "PicturePlaceholders.h"

namespace albumon {

class StagedSave;

// Whether a picture carries location data: leaving it out would change the file.
bool CarriesLocation(const std::string& bytes);

// Fills result.Screens (when job asks for screen sides) and result.HasLocation (when job keeps
// locations: whether the picture written, result.Picture or the source it copies, carries one)
// from source, the source file's bytes and header as already read (null: the file is read here).
// The screen sizes come from decoded when it holds the turned output's decode (see
// MakeOutputPicture), else from a scaled decode of their own. A source that cannot be read
// raises EFOpenError; one that cannot be decoded gets no screen-size pictures.
void AddScreenSizes(const EntryJob& job, EntryResult& result,
                    std::shared_ptr<const TJPEGData> source, Raster decoded = {});

// Why the album's screen-size pictures cannot be named: the name of the largest one an entry
// would get is longer than a file name may be. Nothing when the template does not ask for
// them or every name fits.
std::optional<std::string> ScreenNameProblem(const AlbumState& state);

// What the pages are told of an entry's screen-size pictures.
EntryPicture EntryPictureOf(const ScreenSizes& screens);

// The files in album's screen-size folder named as screen-size pictures of the entries
// (OutName's base, a side, ".jpg"): those a save would replace.
std::vector<std::string> ScreenFilesThere(const AlbumState& state, const std::string& album);

// The screen-size picture folder of an album folder (no trailing "/").
std::string ScreenFolderPath(const std::string& album);

// Writes the screen-size pictures of the entry named outName, staged for the album's
// screen-size folder (made when they are put in place). Raises EFCreateError when one cannot
// be written.
void WriteScreenPictures(const ScreenSizes& screens, const std::string& album,
                         const std::string& outName, StagedSave& staged);

}  // namespace albumon
