// Where the entries came from and whether they changed since the list was last saved or opened.
#include "ListChanges.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "FileSystem.h"
#include "TextFile.h"

namespace albumon {

namespace {

std::string RealFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::path real = std::filesystem::weakly_canonical(folder, error);
    return error ? folder : real.lexically_normal().string();
}

}  // namespace

std::string ListFingerprint(const AlbumState& state) {
    std::string print;
    for (int k = 0; k < state.EntryCount; ++k) {
        const EntryRecord& entry = state.Entries[k];
        print += entry.SourcePath + '\0' + std::to_string(entry.NameMode) + '\0' +
                 (entry.NameMode == nmSpecified ? entry.OutName : std::string()) + '\0' +
                 std::to_string(entry.Rotation) + '\0' + std::to_string(entry.NotePos) + '\0';
        const std::string note = NoteFilePath(state, entry);
        if (entry.NotePos != npNone && FileExists(note)) {
            for (const std::string& line : ReadTextLines(note))
                print += line + '\r';
        }
        print += '\n';
    }
    return print;
}

void MarkListSaved(AlbumState& state) {
    state.SavedList = ListFingerprint(state);
}

bool HasUnsavedChanges(const AlbumState& state) {
    return state.EntryCount > 0 && ListFingerprint(state) != state.SavedList;
}

void NoteOpenedAlbum(AlbumState& state, const std::string& albumFolder) {
    state.OpenedAlbums.push_back(RealFolder(albumFolder));
}

bool EntriesReadFrom(const AlbumState& state, const std::string& albumFolder) {
    const std::string real = RealFolder(albumFolder);
    if (std::find(state.OpenedAlbums.begin(), state.OpenedAlbums.end(), real) ==
        state.OpenedAlbums.end())
        return false;
    // Only while the list still holds a picture of that album: once they were all deleted,
    // what is left would replace the album as any other list would.
    for (int k = 0; k < state.EntryCount; ++k) {
        const std::string& source = state.Entries[k].SourcePath;
        if (!source.empty() &&
            RealFolder(std::filesystem::path(source).parent_path().string()) == real)
            return true;
    }
    return false;
}

}  // namespace albumon
