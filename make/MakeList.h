// albumon-make's entry lists: the steps of a tab-separated list file, and the plan rows.
#pragma once

#include <string>
#include <vector>

#include "AlbumState.h"
#include "MakeOptions.h"

namespace albumon {

// The steps of a list file: one entry a line, five tab-separated fields (path, turns 0..3,
// note position "above" or "below", note file, output name). Missing or empty fields keep the
// defaults (no turn, the note below, no note, the naming default); an empty path makes a
// commentary entry, which needs a note file. Relative paths are taken from the list file's
// folder. Lines end with LF or CR LF; empty lines and a leading UTF-8 byte order mark are passed
// over. Raises albumon::Exception "FILE:LINE: ..." for a line it cannot use, or when the file
// cannot be read.
std::vector<MakeStep> ReadMakeList(const std::string& path);

// One row per entry: source path, output name, turns, note position ("above", "below" or
// "none"), separated by tabs; an entry whose files would take another's name gets a fifth
// field "collides:" with the rows (from 1) of the entries it collides with.
std::vector<std::string> PlanRows(const AlbumState& state);

}  // namespace albumon
