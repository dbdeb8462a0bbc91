// A save's files written under temporary names first, in staging folders the save's record
// names, then put in place together: the album folder's files first, the output folder's (the
// index page) last, each replaced file moved aside so that a failure can put it back.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "SaveRecord.h"

namespace albumon {

// The two folders a save writes into, each with its staging folder: the album folder, whose files
// are put in place first, and the output folder, which takes the index page last.
enum class StagingArea { AlbumFolder, OutputFolder };

// A folder a save writes into and its staging folder, both ending with "/" (the staging folder
// empty while there is none).
struct StagingFolder {
    std::string folder;
    std::string root;
};

// The album folder's and the output folder's.
struct StagingFolders {
    StagingFolder album;
    StagingFolder output;

    StagingFolder& operator[](StagingArea area) {
        return area == StagingArea::AlbumFolder ? album : output;
    }
    const StagingFolder& operator[](StagingArea area) const {
        return area == StagingArea::AlbumFolder ? album : output;
    }
};

// A file written under its staged name, and the path it is to take.
struct StagedFile {
    std::string final;
    std::string staged;
};

class StagedSave {
  public:
    // Notes a staging folder in the album folder and one in the output folder (its parent,
    // ending with "/") on the record, then makes them. Raises EInOutError when that fails.
    StagedSave(SaveRecord& record, const std::string& album, const std::string& outFolder);
    // Removes the staging folders: the files not put in place, or those they replaced.
    ~StagedSave();
    StagedSave(const StagedSave&) = delete;
    StagedSave& operator=(const StagedSave&) = delete;

    // The path to write the file that is to become finalPath (a file directly in the album
    // folder or the output folder) at. Every file of a save goes through here.
    std::string Stage(const std::string& finalPath);
    // Stages the file at existing (in the album folder or the output folder) unchanged to become
    // finalPath: a second name in the staging folder, nothing written. False (nothing staged) when
    // the file system cannot give one.
    bool Keep(const std::string& existing, const std::string& finalPath);
    // The staged path of finalPath when it was staged (written or kept), else nothing.
    std::optional<std::string> StagedPath(const std::string& finalPath) const;
    // The files staged so far that were written, the album folder's first.
    std::vector<StagedFile> Files() const;
    // The record of the save, which every staged file is noted on.
    SaveRecord& Record() { return record_; }
    // The folder the staged files of the album folder are written into (ends with "/").
    std::string AlbumStagingFolder() const;
    // A folder of the output folder's staging folder for work beside the album (an archive
    // being packed), removed with it.
    std::string WorkFolder() const;

    // Puts every staged file in place. Checks first that every final name can take a file (no
    // folder, no read-only file there); a rename that fails puts back everything done so far.
    // Raises EInOutError naming the file when a file cannot be put in place.
    void Commit();
    // text (an error's message) with the staged paths in it named by their final paths; nothing
    // when it names none.
    std::optional<std::string> Unstaged(const std::string& text) const;
    // Puts back what Commit put in place (when what follows it fails).
    void Revert() noexcept;

  private:
    struct Item {
        StagingArea area;
        std::string name;
    };
    struct Done {
        const Item* item;
        bool replaced;
        bool same = false;  // the file kept where it was: nothing was moved
    };
    void CheckTargets() const;
    std::pair<StagingArea, std::string> Place(const std::string& finalPath) const;
    void WriteJournal() const;
    void Undo(const std::vector<Done>& done) const;
    std::string Final(const Item& item) const;
    std::string Staged(const Item& item, const char* part) const;

    SaveRecord& record_;
    StagingFolders stages_;
    std::vector<Item> items_;
    std::vector<Done> done_;
    std::set<std::pair<StagingArea, std::string>> seen_;
};

// Deals with the staging folders a killed save of album left, as its record names them: a save
// killed while putting its files in place is undone (the files it replaced put back), then the
// staging folders are removed and the record forgets them. A record's temporary left beside it
// goes too.
void RecoverKilledSave(SaveRecord& record, const std::string& album, const std::string& outFolder);

}  // namespace albumon
