// Place names in the maker note of a camera's EXIF block: blanked where they lie, and a maker
// note's offsets kept pointing at its values when a rewrite of the block moves it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace albumon {

// Where a maker note's bytes lie in an EXIF payload.
struct MakerNoteSpan {
    std::size_t at = 0, size = 0;
};

// Where the maker note entry of the EXIF directory points; none when a directory on the way
// cannot be walked.
std::optional<MakerNoteSpan> MakerNoteAt(const std::string& payload);

// Whether a maker note is of a kind that may name places (Panasonic, Nikon).
bool IsPlaceMakerNote(std::string_view note);

// Overwrites with NULs, same length and nothing moved, the place names the maker note at note of
// an EXIF payload ("Exif\0\0" and a TIFF structure) holds: Panasonic's location, country, state,
// city, landmark and second city, and Nikon's location info (country code and place; its
// version and text encoding stay). False when nothing changed: no such names, or a maker note of
// another maker or one that cannot be walked (left as it is: it is no place block known here).
bool BlankMakerNotePlaces(std::string& payload, MakerNoteSpan note);

// After a rewrite moved a maker note from before to after, its bytes copied as they were: moves
// a Panasonic maker note's offsets (counted from the TIFF header, not the maker note) with it.
void KeepMakerNoteOffsets(MakerNoteSpan before, std::string& rewritten, MakerNoteSpan after);

}  // namespace albumon
