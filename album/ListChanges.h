// Where the entries came from and whether they changed since the list was last saved or opened.
#pragma once

#include <string>

#include "AlbumState.h"

namespace albumon {

// What the user would lose: every live entry's source, name choice, turns, note position and
// note text, in list order. Automatic names are left out, since they follow the head text.
std::string ListFingerprint(const AlbumState& state);

// The list as it stands counts as saved (after opening an earlier album).
void MarkListSaved(AlbumState& state);

// True when the list holds entries that changed since it was last saved or opened.
bool HasUnsavedChanges(const AlbumState& state);

// Records that entries were read back from the album folder albumFolder ("<head>.files").
void NoteOpenedAlbum(AlbumState& state, const std::string& albumFolder);

// True when the list holds entries read back from the album folder albumFolder, which may be
// spelt differently (a link, "..") than when it was opened.
bool EntriesReadFrom(const AlbumState& state, const std::string& albumFolder);

}  // namespace albumon
