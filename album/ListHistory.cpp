// Taking and restoring the list's states for undo and redo.
#include "ListHistory.h"

#include <unistd.h>

#include <algorithm>

#include "Errors.h"
#include "FileSystem.h"

namespace albumon {

namespace {

std::optional<std::string> ReadNote(const std::string& path) {
    if (!FileExists(path))
        return std::nullopt;
    std::string bytes;
    if (int err = ReadWholeFile(path, bytes))
        RaiseInOutError(err, path);
    return bytes;
}

void PutNote(const std::string& path, const std::optional<std::string>& bytes) {
    if (!bytes) {
        ::unlink(path.c_str());
        return;
    }
    if (int err = WriteFileAtomically(path, bytes->data(), bytes->size()))
        RaiseInOutError(err, path);
}

}  // namespace

ListSnapshot TakeSnapshot(const AlbumState& state, const std::vector<int>& selected, int current) {
    ListSnapshot snapshot;
    for (int k = 0; k < state.EntryCount; ++k) {
        const EntryRecord& entry = state.Entries[k];
        snapshot.Entries.push_back(entry);
        snapshot.Notes.push_back(ReadNote(NoteFilePath(state, entry)));
    }
    snapshot.NoteCounter = state.NoteCounter;
    snapshot.Selected = selected;
    snapshot.Current = current;
    snapshot.OpenedAlbums = state.OpenedAlbums;
    snapshot.SavedList = state.SavedList;
    return snapshot;
}

void RestoreSnapshot(AlbumState& state, const ListSnapshot& snapshot) {
    const int count = static_cast<int>(snapshot.Entries.size());
    for (int k = 0; k < count; ++k) {
        state.Entries[k] = snapshot.Entries[k];
        PutNote(NoteFilePath(state, snapshot.Entries[k]), snapshot.Notes[k]);
    }
    state.EntryCount = count;
    state.NoteCounter = snapshot.NoteCounter;
    state.CurrentIndex = snapshot.Current < count ? snapshot.Current : -1;
    state.OpenedAlbums = snapshot.OpenedAlbums;
    state.SavedList = snapshot.SavedList;
}

bool SameList(const ListSnapshot& a, const ListSnapshot& b) {
    return a.Entries == b.Entries && a.Notes == b.Notes && a.NoteCounter == b.NoteCounter;
}

std::string EditStepName(const ListSnapshot& before, const ListSnapshot& after) {
    if (SameList(before, after))
        return {};
    if (before.Notes != after.Notes)
        return "メモ";
    const std::size_t count = std::min(before.Entries.size(), after.Entries.size());
    for (std::size_t k = 0; k < count; ++k) {
        if (before.Entries[k].NotePos != after.Entries[k].NotePos)
            return "メモ位置";
    }
    return "名前";
}

}  // namespace albumon
