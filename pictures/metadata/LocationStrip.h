// The one door a picture passes through on its way into an album that is to carry no place:
// a JPEG file in, the same file without location data out.
#pragma once

#include <string>

namespace albumon {

struct LocationFree {
    bool changed = false;     // bytes differ from the file given (else bytes is empty)
    bool unreadable = false;  // a block that could not be read was dropped whole
    std::string bytes;
};

// The JPEG file without any location data: the GPS part of its EXIF blocks (their thumbnails
// included) and the place names of their maker notes, the place properties of its XMP (main packet
// and extended XMP), the place datasets of the IPTC-IIM record in its Photoshop APP13 block, the
// GPS records of an action camera's APP6 telemetry, and everything after the end of its first
// picture (the secondary pictures an MPF APP2 block lists carry EXIF of their own: they are left
// out with that block). Other APP1 and APP13 blocks, blocks that cannot be read and bytes after a
// break in the marker structure are dropped whole. Everything else, the entropy-coded data above
// all, is copied as it is. Data that does not start as a JPEG file is returned unchanged.
// nesting counts the EXIF thumbnails the file lies in (0 for the picture itself).
LocationFree JpegWithoutLocation(const std::string& bytes, int nesting = 0);

}  // namespace albumon
