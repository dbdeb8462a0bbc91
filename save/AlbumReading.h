// Reading an album back never meets a half-saved one: what a killed save left in it is finished
// or undone first, under the album's lock, which is held while the album is read.
#pragma once

#include <memory>
#include <string>

#include "TextFile.h"

namespace albumon {

class AlbumLock;

class AlbumReading {
  public:
    // path is what is about to be read: a folder, an index page or a picture. It stands for an
    // album when AlbumFolderOf names one for it, or when it lies in a "<head>.files" folder; an
    // album with a save's record is locked. With repair the album is locked for writing, and what
    // a killed save left is dealt with (RecoverKilledSave); an Exception naming the album says
    // another save holds it. Without repair nothing is written: an album a save was killed in, or
    // that a save is writing, is Incomplete.
    AlbumReading(const std::string& path, bool repair);
    ~AlbumReading();
    AlbumReading(const AlbumReading&) = delete;
    AlbumReading& operator=(const AlbumReading&) = delete;

    bool Incomplete() const { return incomplete_; }
    // The message for an incomplete album.
    std::string IncompleteText() const;

  private:
    std::string album_;
    std::unique_ptr<AlbumLock> lock_;
    FileHandle shared_;
    bool incomplete_ = false;
};

}  // namespace albumon
