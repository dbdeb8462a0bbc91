// Output names of the entries and the rows of the output list.
#pragma once

#include <string>
#include <vector>

#include "AlbumState.h"

namespace albumon {

// The extension an output picture takes from its source: ".jpeg" and ".jpg" in any letter case,
// and the extensions of converted pictures, become ".jpg"; any other stays as it is.
std::string OutputExtension(const std::string& sourcePath);

// The output name of a name the user typed: a picture extension he typed (".jpg", ".jpeg",
// ".png", ".heic", ".heif", ".hif" or ".webp", any letter case) is dropped and ".jpg" added;
// every other dot stays ("2024.05.01 旅行" gives "2024.05.01 旅行.jpg").
std::string SpecifiedOutName(const std::string& typed);

// The automatic name of the entry for sourcePath that is the count-th automatic one: head text,
// three digits of start number + count (the last three kept) and the output extension.
std::string AutomaticOutName(const NamingBase& naming, long long count,
                             const std::string& sourcePath);

// The name a kept entry gets: the source's file name, with ".jpg" in place of the extension of a
// converted picture (IMG_1.HEIC gives IMG_1.jpg).
std::string KeptName(const std::string& sourcePath);

// Recomputes the OutName of every live entry: automatic entries are numbered consecutively from
// the start number (three digits, the last three kept), kept ones take the source file name.
void RefreshOutputNames(AlbumState& state, const NamingBase& naming);

// The rows of the output list: note prefix ("無:", "上:", "下:") followed by the OutName.
std::vector<std::string> OutputListRows(const AlbumState& state);

}  // namespace albumon
