// The album being assembled: the entry table, the note work files and the state variables.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "SettingsValues.h"

namespace albumon {

// How an entry's output name is formed.
enum NameModes : std::int32_t { nmAuto = 0, nmSpecified = 1, nmKeep = 2 };

// Where an entry's note is shown.
enum NotePositions : std::int32_t { npNone = 0, npAbove = 1, npBelow = 2 };

// One picture of the album (or one commentary entry).
struct EntryRecord {
    std::string SourcePath;
    std::int32_t NameMode = nmAuto;
    std::string OutName;
    std::int32_t Rotation = 0;
    std::int32_t NotePos = npNone;
    std::int32_t NoteNo = 0;

    bool operator==(const EntryRecord&) const = default;
};

constexpr int kEntryCapacity = 256;
using EntryTable = std::array<EntryRecord, kEntryCapacity>;

// The head text and the start of the running number, as the naming page holds them.
struct NamingBase {
    std::string HeadText = "無題";
    int StartNumber = 1;
};

// The whole working state of one album: the settings values plus the entries.
struct AlbumState : SettingsValues {
    std::string TempPath;  // the work folder of note files, no trailing "/"
    EntryTable Entries;
    std::int32_t EntryCount = 0;
    std::int32_t NoteCounter = 0;
    std::int32_t CurrentIndex = -1;
    // The album folders entries were read back from, as real paths (see ListChanges).
    std::vector<std::string> OpenedAlbums;
    // The list as it was last saved or opened (ListFingerprint).
    std::string SavedList;
};

// The editing state of the picture page, as the window's controls hold it.
struct EditingState {
    enum NameButton { Auto, Specified, Keep, None };
    NameButton Naming = Auto;
    std::string EditName;
    std::vector<std::string> MemoLines;
    bool NoteAbove = false;
};

// Path of an entry's note file in the work folder.
std::string NoteFilePath(const AlbumState& state, const EntryRecord& entry);

// Fills slot with a new entry for path and the given note number.
void CreateEntry(AlbumState& state, int slot, const std::string& path, std::int32_t noteNo);

// Stores the editing state into slot (names refreshed); nothing when slot is -1.
void StoreCurrentEntry(AlbumState& state, int slot, const EditingState& editing,
                       const NamingBase& naming);

// Reads notes back from album pages lying beside the sources of slots first .. EntryCount - 1.
// Returns warnings naming the pages read only in part: a page that is a symbolic link is not
// read (it could lead anywhere), a note without its end marker runs to the page's end.
std::vector<std::string> ImportPageNotes(AlbumState& state, int first);

// Deletes every file directly inside folder; failures are passed over.
void EmptyWorkFolder(const std::string& folder);

// Removes all entries: EntryCount 0, NoteCounter 0, CurrentIndex -1; the list then came
// from no album.
void ClearAlbum(AlbumState& state);

// Prepares the work folder: emptied when it exists, else created with its parents.
void PrepareWorkFolder(const std::string& folder);

}  // namespace albumon
