// What a save keeps of an earlier save of the same album instead of making it again: an entry's
// files, and a link-preview cover, whose keys are those it would make them with and that are
// still as that save left them (kept, or renamed when the entry's name changed), and any file
// that comes out byte for byte as the album's own file of that name already is.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "EntryJob.h"
#include "OutputKeys.h"
#include "SaveRecord.h"

namespace albumon {

class StagedSave;

// An entry's files as an earlier save left them (names in the album folder), and what that save
// learnt of the entry.
struct KeptEntry {
    std::string thumbnail;
    std::string picture;
    std::vector<std::pair<int, std::string>> screens;  // side, name
    ScreenSizes size;                                  // width, height and sides, no bytes
    bool hasLocation = false;
    std::vector<PictureNotice> notices;
    std::string extra;  // as the record keeps it
};

// What the record keeps beside an entry's output picture: what the save learnt of the entry.
std::string EntryExtra(const EntryResult& result, bool screensAsked);

// The album folder's names of an entry's files.
struct EntryNames {
    std::string thumbnail;
    std::string picture;
    std::string outName;  // the screen-size pictures' names follow from it
};

class OutputReuse {
  public:
    // earlier: the files of the earlier record; album: the album folder (no trailing "/").
    OutputReuse(SavedFiles earlier, std::string album);

    // The earlier files that make the entry of job as keys say, each used once, preferring
    // those of the same name; nothing unless all are there and still as saved.
    std::optional<KeptEntry> Find(const EntryJob& job, const EntryKeys& keys,
                                  const EntryNames& names);
    // Stages the kept entry's files under names and records them with their keys and earlier
    // stamps. False when one cannot be staged so (the entry is then made again).
    bool Stage(const KeptEntry& kept, const EntryKeys& keys, const EntryNames& names,
               const std::string& extra, StagedSave& staged, SaveRecord& record) const;
    // Stages an earlier file that key makes (preferring one already called name) as name in the
    // album folder and records it with its key and earlier stamp. False when there is none still
    // as saved or it cannot be staged so (the file is then made again).
    bool KeepFile(const std::string& key, const std::string& name, StagedSave& staged,
                  SaveRecord& record);

  private:
    std::optional<std::string> FindFile(const std::string& key, const std::string& preferred);

    SavedFiles earlier_;
    std::string album_;
    std::multimap<std::string, std::string> byKey_;
    std::set<std::string> used_;
};

// Replaces every staged file that is byte for byte the save's own file already at its final path
// (the album folder's as the record left it; the index page when the earlier record names it as
// written, or older records exist) with that very file, recording its earlier stamp. Returns the
// final paths of the files that stay written anew.
std::set<std::string> KeepUnchanged(StagedSave& staged, SaveRecord& record,
                                    const std::string& album);

// Whether the album this save puts in place is file for file the one already there: every
// staged file is the file already at its path and the earlier record names no file the save
// does not.
bool NothingChanged(const StagedSave& staged, const SaveRecord& record, const std::string& album);

}  // namespace albumon
