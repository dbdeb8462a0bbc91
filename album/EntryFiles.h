// The names of the files a save writes for each entry, and the entries whose files would take
// the same name: one would silently replace the other.
#pragma once

#include <string>
#include <vector>

#include "AlbumState.h"

namespace albumon {

// The files a save writes into the album folder for entry: its picture (OutName), its
// thumbnail (thumbPrefix + OutName) and its page (OutName's stem + ".htm"; the name is the
// entry's even without a note: the file list, the page and every other file made from the stem
// belong to it).
std::vector<std::string> EntryFileNames(const EntryRecord& entry, const std::string& thumbPrefix);

// Two entries (slots, First < Second) that would both write the file Name.
struct NameCollision {
    int First = 0;
    int Second = 0;
    std::string Name;
};

// Every later entry whose files take a name an earlier entry's files take, once, against the
// first such entry, in list order. Names are compared as the file systems of other machines
// compare them: without regard to letter case (Unicode case folding) or to how accented letters
// are composed (Unicode normalization form C), so "A.jpg" and "a.jpg" collide.
std::vector<NameCollision> FindNameCollisions(const AlbumState& state);

// The message that names the colliding entries, one line each (row numbers from 1, source
// file names, the shared name).
std::string NameCollisionText(const AlbumState& state,
                              const std::vector<NameCollision>& collisions);

}  // namespace albumon
