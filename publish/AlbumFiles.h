// The files of one saved album as publishing sees them: the index, the zip when there is one,
// and what the save record names in the album folder, at their paths from the output folder.
#pragma once

#include <string>
#include <vector>

#include "RemoteRecord.h"

namespace albumon {

struct AlbumFile {
    std::string path;  // from the output folder: "HEAD.htm", "HEAD.files/001.jpg", ...
    PublishedFile published;
};

// The album head's files in outFolder (ending with "/"), pictures and pages first, the index
// last, each with its digest. Raises albumon::Exception when the album was never saved there.
std::vector<AlbumFile> ReadAlbumFiles(const std::string& outFolder, const std::string& head);

}  // namespace albumon
