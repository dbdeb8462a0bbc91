// What a save holds while it runs: the lock that keeps a second save off the same album, and
// the folders it had to make (gone again when the save fails).
#pragma once

#include <string>
#include <vector>

#include "TextFile.h"

namespace albumon {

// An exclusive lock on the album folder (flock on the folder itself: no file of its own), held
// until the object goes. Raises an Exception naming the album (its index page) when another
// save holds it.
class AlbumLock {
  public:
    AlbumLock(const std::string& album, const std::string& index);
    AlbumLock(const AlbumLock&) = delete;
    AlbumLock& operator=(const AlbumLock&) = delete;

  private:
    FileHandle folder_;
};

// Makes the folder at path with the missing parents; unless kept, removes those it made again
// when it goes (only while they are empty).
class MadeFolders {
  public:
    explicit MadeFolders(const std::string& path);
    ~MadeFolders();
    MadeFolders(const MadeFolders&) = delete;
    MadeFolders& operator=(const MadeFolders&) = delete;

    void Keep() { made_.clear(); }

  private:
    std::vector<std::string> made_;  // innermost first
};

}  // namespace albumon
