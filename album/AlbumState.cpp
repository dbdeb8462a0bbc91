// The album state: entry creation, storing the editing state, note import, the work folder.
#include "AlbumState.h"

#include <sys/stat.h>
#include <unistd.h>

#include "FileSystem.h"
#include "NoteMarkers.h"
#include "OutputNames.h"
#include "Paths.h"
#include "TextFile.h"

namespace albumon {

std::string NoteFilePath(const AlbumState& state, const EntryRecord& entry) {
    return state.TempPath + "/Note" + std::to_string(entry.NoteNo) + ".txt";
}

void CreateEntry(AlbumState& state, int slot, const std::string& path, std::int32_t noteNo) {
    EntryRecord& entry = state.Entries[slot];
    entry = EntryRecord{};
    entry.SourcePath = path;
    entry.NameMode = state.KeepNameDefault ? nmKeep : nmAuto;
    entry.NoteNo = noteNo;
}

void StoreCurrentEntry(AlbumState& state, int slot, const EditingState& editing,
                       const NamingBase& naming) {
    if (slot < 0 || slot >= state.EntryCount)
        return;
    EntryRecord& entry = state.Entries[slot];
    if (editing.Naming == EditingState::Auto) {
        entry.NameMode = nmAuto;
        RefreshOutputNames(state, naming);
    } else if (editing.Naming == EditingState::Specified && !editing.EditName.empty()) {
        entry.NameMode = nmSpecified;
        entry.OutName = SpecifiedOutName(editing.EditName);
        RefreshOutputNames(state, naming);
    } else if (editing.Naming == EditingState::Keep) {
        entry.NameMode = nmKeep;
        RefreshOutputNames(state, naming);
    }
    if (!editing.MemoLines.empty()) {
        entry.NotePos = editing.NoteAbove ? npAbove : npBelow;
        WriteTextLines(NoteFilePath(state, entry), editing.MemoLines);
        RefreshOutputNames(state, naming);
    }
}

namespace {

bool Contains(const std::string& line, const char* marker) {
    return line.find(marker) != std::string::npos;
}

// Copies the first note block of a page into the entry's note file. A block without its end
// marker is taken to the end of the page, with a warning naming the page.
void ImportNoteOfPage(AlbumState& state, EntryRecord& entry, const std::string& page,
                      std::vector<std::string>& warnings) {
    TextFileReader reader(page);
    std::string line;
    while (reader.ReadLine(line)) {
        std::int32_t position = Contains(line, kPreNoteBegin)    ? npAbove
                                : Contains(line, kPostNoteBegin) ? npBelow
                                                                 : npNone;
        if (position == npNone)
            continue;
        entry.NotePos = position;
        TextFileWriter note(NoteFilePath(state, entry));
        bool ended = false;
        while (!ended && reader.ReadLine(line)) {
            ended = !TakeNoteLine(line);
            if (!ended)
                note.WriteLine(line);
        }
        note.Close();
        if (!ended)
            warnings.push_back(page +
                               ": メモの終わりの印がないため、ページの終わりまでをメモにしました");
        return;
    }
}

}  // namespace

std::vector<std::string> ImportPageNotes(AlbumState& state, int first) {
    std::vector<std::string> warnings;
    for (int k = first < 0 ? 0 : first; k < state.EntryCount; ++k) {
        EntryRecord& entry = state.Entries[k];
        std::string page = ReplaceExtension(entry.SourcePath, ".htm");
        struct stat st {};
        const bool link = ::lstat(page.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
        if (link)
            warnings.push_back(page + ": シンボリックリンクのため、メモを読みませんでした");
        if (link || !FileExists(page)) {
            entry.NotePos = npNone;
            continue;
        }
        ImportNoteOfPage(state, entry, page, warnings);
    }
    return warnings;
}

void EmptyWorkFolder(const std::string& folder) {
    std::string base = WithTrailingSlash(folder);
    for (const DirEntry& item : ListFolder(base)) {
        if (item.isFolder)
            continue;
        ::unlink((base + item.name).c_str());
    }
}

void ClearAlbum(AlbumState& state) {
    state.EntryCount = 0;
    state.NoteCounter = 0;
    state.CurrentIndex = -1;
    state.OpenedAlbums.clear();
    state.SavedList.clear();
}

void PrepareWorkFolder(const std::string& folder) {
    if (DirectoryExists(folder)) {
        EmptyWorkFolder(folder);
    } else {
        ForceDirectories(folder);
    }
}

}  // namespace albumon
