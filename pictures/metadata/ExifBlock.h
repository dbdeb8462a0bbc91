// An EXIF block held by libexif, loaded without libexif's own fix-ups
// (EXIF_DATA_OPTION_FOLLOW_SPECIFICATION) so that what is written back is what the camera wrote,
// changed only where asked. Shared by the readers of its tags and the location edit.
#pragma once

#include <libexif/exif-data.h>

#include <memory>
#include <string>

namespace albumon {

struct ExifDataRelease {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};
using ExifHandle = std::unique_ptr<ExifData, ExifDataRelease>;

// The payload ("Exif\0\0" first) loaded; null when it is empty or larger than a segment carries.
ExifHandle LoadExif(const std::string& payload);

// Removes every entry of a directory.
void RemoveAllEntries(ExifContent* content);

// Blanks the place names of the payload's maker note and loads data again from it; a maker note
// that may name places but cannot be found in the payload goes from data. Whether it went.
bool LeaveOutNotePlaces(std::string& payload, ExifHandle& data);

// The block written back; a maker note it moved keeps its offsets pointing at its values. Empty
// when libexif cannot write it or it outgrows a segment. original: the payload data was loaded from.
std::string SaveExif(ExifData* data, const std::string& original);

}  // namespace albumon
