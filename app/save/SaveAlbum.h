// The save of an album: pictures, thumbnails, note pages, index page and support files, shared
// by the window's "保存" and the command-line save.
#pragma once

#include <functional>
#include <string>

#include "AlbumState.h"

namespace albumon {

class PictureView;

// Width of the preview panel; it chooses the decode scale thumbnails are sampled from.
constexpr int kPreviewPanelWidth = 244;

// Called with the progress position after each entry (and 0 at the start).
using SaveProgress = std::function<void(int position, int maximum)>;

// The album folder for a head text: OutPath + head + ".files".
std::string AlbumFolderPath(const AlbumState& state, const std::string& head);

// Writes the album of the live entries under head text head into OutPath, then clears the
// entries. A file error ends the save where it happens with the entries kept.
void SaveAlbum(AlbumState& state, PictureView& view, const std::string& head,
               const SaveProgress& progress);

}  // namespace albumon
