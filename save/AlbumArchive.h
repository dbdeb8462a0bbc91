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
// longer in the album leave the archive. Temporaries a killed earlier packing left beside it
// are removed first. Returns the result of PackFiles (0 when the archive was written).
std::uint8_t PackAlbum(TArchiveControl& archive, const AlbumState& state, const std::string& head);

}  // namespace albumon
