// The checks a save passes before it writes anything: names the album folder can take, one
// file per name, and output and template folders that stay out of each other.
#pragma once

#include <optional>
#include <string>

#include "AlbumState.h"

namespace albumon {

// Longest file name the save writes for an entry or the album, in bytes: what file systems
// take. The temporaries files are written under first are cut short to fit the same bound.
inline constexpr std::size_t kLongestOutputName = 255;

// The album folder for a head text: OutPath + head + ".files".
std::string AlbumFolderPath(const AlbumState& state, const std::string& head);

// Why the album cannot be saved under these names: a head text, output name or thumbnail
// prefix that would lead out of the output folder or album folder ("/" in it, or a name that is
// "." or ".."). Nothing when the names are usable.
std::optional<std::string> OutputNameProblem(const AlbumState& state, const std::string& head);

// True when text is valid UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(const std::string& text);

// Why the album of the live entries cannot be saved under head, or nothing. In this order: a
// name that leads out of its folder (OutputNameProblem); an output folder that is the template
// folder or lies inside it, or a template folder inside the album folder (real paths); an album
// folder, index page or (with MakeZip) archive that is a symbolic link; a head
// text, thumbnail prefix or output name that is not UTF-8; with MakeZip, one holding "\" (a zip
// entry that would leave its folder on Windows); a file name of an entry or of the album longer
// than kLongestOutputName; entries whose files would take the same name (FindNameCollisions).
std::optional<std::string> SaveProblem(const AlbumState& state, const std::string& head);

}  // namespace albumon
