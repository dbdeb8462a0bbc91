// The states of the list an undo step goes back and forth between: the entries with the texts of
// their notes, the note counter and the highlighted rows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "AlbumState.h"

namespace albumon {

struct ListSnapshot {
    std::vector<EntryRecord> Entries;
    // The bytes of each entry's note file in the work folder; none when it has no file.
    std::vector<std::optional<std::string>> Notes;
    std::int32_t NoteCounter = 0;
    std::vector<int> Selected;  // the highlighted rows, top first
    int Current = -1;           // the row the picture page shows
    // What the list came from and was last saved as (see ListChanges).
    std::vector<std::string> OpenedAlbums;
    std::string SavedList;
};

// The album's list as it stands, with the highlighted rows and the shown row.
ListSnapshot TakeSnapshot(const AlbumState& state, const std::vector<int>& selected, int current);

// Puts the album's list back as the snapshot holds it (CurrentIndex := its shown row). The note
// files of its entries in the work folder are written anew, or removed where an entry had none;
// no other file is touched. A note that cannot be written raises EInOutError.
void RestoreSnapshot(AlbumState& state, const ListSnapshot& snapshot);

// True when the two hold the same entries, notes and note counter (the highlight aside).
bool SameList(const ListSnapshot& a, const ListSnapshot& b);

// The name of a step that stored the shown entry's edits: "メモ" for a note's text, "メモ位置"
// for its place alone, "名前" for the naming; empty when the list did not change.
std::string EditStepName(const ListSnapshot& before, const ListSnapshot& after);

}  // namespace albumon
