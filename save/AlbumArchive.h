// The album's archive: OutPath + head + ".zip" made to hold exactly the index page and the files
// of the album folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AlbumState.h"

namespace albumon {

class TArchiveControl;

// The files the archive of an album holds, by full path: the index page, then every plain file
// directly inside the album folder except Albumon's save record and temporaries. Each is named
// as it is, so that no head text or file name is ever taken as a pattern.
std::vector<std::string> AlbumArchiveNames(const AlbumState& state, const std::string& head);

// Packs the album into OutPath + head + ".zip" with the archive component: entries of files no
// longer in the album leave the archive. The archive is packed in workFolder (ends with "/"; a
// save's work folder, whose leftovers the save's record knows) and put in place once complete.
// Returns the result of PackFiles (0 when the archive was written), or 1 when it could not be
// put in place.
std::uint8_t PackAlbum(TArchiveControl& archive, const AlbumState& state, const std::string& head,
                       const std::string& workFolder);

}  // namespace albumon
