// Reading an earlier album's picture folder back: its pictures in the album's order, under the
// output names they were saved with, as the index page beside the folder lists them.
#pragma once

#include <string>
#include <vector>

#include "AlbumState.h"
#include "InputList.h"

namespace albumon {

// The picture files of an album folder "<head>.files" in the album's order, from the file list
// of its index page "<head>.htm" beside it (each listed name matched to the folder's picture of
// that stem, ".jpg" first). Empty when the folder is no album folder or its index lists none.
std::vector<std::string> AlbumPictureOrder(const std::string& folder,
                                           const std::string& thumbPrefix);

// What adding a folder did, and whether its pictures came in an album's order (which a sort
// would undo).
struct FolderAddition {
    AdditionResult Added;
    bool AlbumOrder = false;
};

// Adds a folder. An album folder's listed pictures come first, in the album's order, each under
// the output name it was saved with (automatic where the album's head text and numbering give
// that name at its place, else kept); its other files and any other folder are added as
// AddFolder adds them. Notes come back from the pages beside the pictures.
FolderAddition AddFolderOrAlbum(AlbumState& state, const std::string& folder, FolderOrder order,
                                const NamingBase& naming);

}  // namespace albumon
