// The Photoshop image resources of an APP13 block ("Photoshop 3.0") and the IPTC-IIM record in
// them (resource 0x0404): the place datasets left out, everything else kept as it was.
#pragma once

#include <string>

#include "metadata/BlockEdit.h"

namespace albumon {

// The resources (the bytes after "Photoshop 3.0\0", segments joined) without the IPTC-IIM
// datasets of a place: 2:26 and 2:27 content location, 2:90 city, 2:92 sub-location, 2:95
// province or state, 2:100 and 2:101 country code and name. The IPTC digest resource (0x0425)
// follows the new record; a record left with nothing is dropped with its digest, and resources
// left with nothing give empty data. The copies of EXIF (0x0422, 0x0423) and XMP (0x0424) some
// programs keep there lose their place as the blocks themselves do, or go when unreadable.
// Unreadable as a whole when the resources or the record do not parse.
// nesting: as for the EXIF block the resources are found beside.
BlockEdit PhotoshopLocationEdit(const std::string& resources, int nesting = 0);

}  // namespace albumon
