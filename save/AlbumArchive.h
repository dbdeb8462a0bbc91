// The album's archive: OutPath + head + ".zip", packed in the save's staging area from the files
// the save staged, so that it holds exactly this save's album and is put in place with it.
#pragma once

#include <string>

namespace albumon {

class StagedSave;
class TArchiveControl;

// Packs the index page and the album folder's files that staged holds (the save's record is no
// file of the album) into the staged archive outFolder + head + ".zip" (outFolder ends with
// "/"), entries named as the files will be named in outFolder. Raises an Exception naming the
// archive when it cannot be packed; nothing is in place then. A member of earlier (an archive
// a save made, or empty) that holds a file as it is now is copied as it is, not compressed again.
void PackStagedAlbum(TArchiveControl& archive, const std::string& outFolder,
                     const std::string& head, StagedSave& staged, const std::string& earlier = {});

}  // namespace albumon
