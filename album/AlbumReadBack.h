// Reading an earlier album's picture folder back: its pictures in the album's order, under the
// output names they were saved with, as the index page beside the folder lists them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "AlbumState.h"
#include "InputList.h"

namespace albumon {

// The file in an album folder in which a save keeps the record of what it wrote.
inline constexpr const char* kSaveRecordName = ".albumon.saved";

// The album folder (no trailing "/") that a path read back stands for: a folder
// "<head>.files" itself; an index page "<head>.htm" with the folder "<head>.files" beside it; a
// folder holding exactly one "<name>.htm" beside a "<name>.files" that holds a save's record.
// Nothing for any other path. Symbolic links are not followed.
std::optional<std::string> AlbumFolderOf(const std::string& path);

// The picture files of an album folder "<head>.files" in the album's order, from the file list
// of its index page "<head>.htm" beside it (each listed name matched to the folder's picture of
// that stem, ".jpg" first). Empty when the folder is no album folder or its index lists none.
// Only plain files count: neither the index page nor a picture that is a symbolic link is read.
// What is passed over (a link, a line of the file list that cannot be read, a listed name that
// leads out of the folder or names no picture there) adds a warning naming it to warnings.
std::vector<std::string> AlbumPictureOrder(const std::string& folder,
                                           const std::string& thumbPrefix,
                                           std::vector<std::string>* warnings = nullptr);

// What adding a folder did, and whether its pictures came in an album's order (which a sort
// would undo).
struct FolderAddition {
    AdditionResult Added;
    bool AlbumOrder = false;
};

// Adds a folder, or the album it stands for (AlbumFolderOf). An album folder's listed pictures
// come first, in the album's order, each under the output name it was saved with (automatic
// where the album's head text and numbering give that name at its place, else kept); its other
// files and any other folder are added as AddFolder adds them, an album folder's symbolic links
// left out. Notes come back from the pages beside the pictures. Warnings name what could not be
// read.
FolderAddition AddFolderOrAlbum(AlbumState& state, const std::string& folder, FolderOrder order,
                                const NamingBase& naming);

}  // namespace albumon
