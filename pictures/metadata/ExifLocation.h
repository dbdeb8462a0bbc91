// The location data of an EXIF block left out: its GPS part, the place names of its maker note,
// and what its thumbnail (a JPEG file of its own) carries.
#pragma once

#include <string>

#include "metadata/BlockEdit.h"

namespace albumon {

// The payload vetted for location: kept when it has no GPS part (neither a GPS directory
// pointer in its first directory nor GPS entries), its thumbnail carries no location data and
// its maker note no place names; the same bytes with those names blanked when that is all;
// rewritten with the GPS part removed and the thumbnail without location data otherwise; or
// unreadable when its first directory cannot be walked or the rewrite fails. A maker note that
// may name places but cannot be placed among the bytes is left out and the edit marked
// unreadable. nesting counts the thumbnails the block lies in: a thumbnail of a thumbnail's
// thumbnail is no camera's, and its block counts as unreadable.
BlockEdit ExifLocationEdit(const std::string& payload, int nesting = 0);

}  // namespace albumon
