// The save of an album: pictures, thumbnails, note pages, index page and support files, shared
// by the window's "保存" and the command-line save.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "AlbumState.h"
#include "Images.h"

namespace albumon {

class PictureView;

// Width of the preview panel; it chooses the decode scale thumbnails are sampled from.
constexpr int kPreviewPanelWidth = 244;

// Called with the progress position after each entry (and 0 at the start).
using SaveProgress = std::function<void(int position, int maximum)>;

// How many threads compute pictures: 0 one per core; 1 none besides the caller, which then
// computes each entry on the view it was given.
struct SaveOptions {
    int Threads = 0;
};

// Something the user is told about one entry after the save.
struct SaveNotice {
    std::string SourcePath;  // empty for a notice about the whole album
    PictureNotice Kind = pnNoPreview;
    int Count = 0;  // pnLocationKept: how many pictures
};

// The line that tells the user of a notice: the file, then what was done with it.
std::string NoticeText(const SaveNotice& notice);

// The album folder for a head text: OutPath + head + ".files".
std::string AlbumFolderPath(const AlbumState& state, const std::string& head);

// Why the album cannot be saved under these names: a head text, output name or thumbnail
// prefix that would lead out of the output folder or album folder ("/" in it, or a name that is
// "." or ".."). Nothing when the names are usable.
std::optional<std::string> OutputNameProblem(const AlbumState& state, const std::string& head);

// Writes the album of the live entries under head text head into OutPath, then clears the
// entries. The files are written in list order, entry by entry, thumbnail before picture, while
// the pictures of the next entries are computed ahead. A file error ends the save where it
// happens, with the entries kept and nothing of the later entries written. A page an earlier
// save left under the name of an entry that now has no note is removed with it. Names that
// OutputNameProblem refuses raise an Exception before anything is written. Temporaries that a
// killed earlier save of this album left are removed first; at the end of a successful save,
// the files an earlier save wrote into the album folder and this one did not are removed (see
// SaveRecord). Returns, in list order, what the user is to be told about single pictures (no
// preview, a turn not done, a lossless turn re-encoded).
std::vector<SaveNotice> SaveAlbum(AlbumState& state, PictureView& view, const std::string& head,
                                  const SaveProgress& progress, const SaveOptions& options = {});

}  // namespace albumon
