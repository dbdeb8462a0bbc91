// The operations on the entry list: additions by files or folder, sort, move, delete, insert.
#include "InputList.h"

#include <sys/stat.h>

#include <algorithm>

#include "FileSystem.h"
#include "ListChanges.h"
#include "OutputNames.h"
#include "Paths.h"
#include "PictureNames.h"
#include "TemplateFiles.h"

namespace albumon {

bool IsAcceptedInput(const std::string& path, const std::string& thumbPrefix) {
    if (!IsPictureName(path))
        return false;
    if (DirectoryExists(path))
        return false;
    std::string prefix = TrimControls(thumbPrefix);
    return prefix.empty() || FileNamePart(path).rfind(prefix, 0) != 0;
}

namespace {

// Whether one of the first count entries has path, without regard to letter case.
bool IsAmongFirst(const AlbumState& state, int count, const std::string& path) {
    std::string wanted = AsciiLower(path);
    for (int k = 0; k < count; ++k) {
        if (AsciiLower(state.Entries[k].SourcePath) == wanted)
            return true;
    }
    return false;
}

// Appends one accepted file when there is room; counts it either way.
void Append(AlbumState& state, int first, const std::string& path, AdditionResult& result) {
    if (state.EntryCount >= kEntryCapacity) {
        ++result.Refused;
        return;
    }
    CreateEntry(state, state.EntryCount, path, state.NoteCounter + (state.EntryCount - first));
    ++state.EntryCount;
    ++result.Accepted;
}

// Ends a batch: fresh note numbers move past the new entries, notes come back from pages.
void FinishBatch(AlbumState& state, int first, AdditionResult& result) {
    state.NoteCounter += state.EntryCount;
    for (std::string& warning : ImportPageNotes(state, first))
        result.Warnings.push_back(std::move(warning));
}

bool IsLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

bool IsListed(const AlbumState& state, const std::string& path) {
    return IsAmongFirst(state, state.EntryCount, path);
}

AdditionResult AddFiles(AlbumState& state, const std::vector<std::string>& paths,
                        const NamingBase& naming) {
    AdditionResult result;
    int first = state.EntryCount;
    for (const std::string& path : paths) {
        if (IsAcceptedInput(path, state.ThumbPrefix))
            Append(state, first, path, result);
    }
    FinishBatch(state, first, result);
    RefreshOutputNames(state, naming);
    return result;
}

std::optional<std::string> HeadTextOfFolder(const std::string& folder) {
    if (folder.find(".files") == std::string::npos)
        return std::nullopt;
    std::string name = FileNamePart(folder);
    return name.substr(0, name.find(".files"));
}

AdditionResult AddFolder(AlbumState& state, const std::string& folder, FolderOrder order,
                         FolderLinks links) {
    AdditionResult result;
    int first = state.EntryCount;
    std::vector<DirEntry> items = ListFolder(folder);
    if (order == FolderOrder::ByName) {
        std::sort(items.begin(), items.end(),
                  [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    }
    const std::string base = folder.empty() ? std::string("/") : WithTrailingSlash(folder);
    for (const DirEntry& item : items) {
        if (item.isFolder)
            continue;
        std::string path = base + item.name;
        if (links == FolderLinks::Left && IsLink(path))
            continue;
        // Only the entries listed before this folder count: A.jpg and a.jpg of one folder are
        // two pictures.
        if (IsAcceptedInput(path, state.ThumbPrefix) && !IsAmongFirst(state, first, path)) {
            Append(state, first, path, result);
        }
    }
    result.HeadText = HeadTextOfFolder(folder);
    if (result.HeadText && result.Accepted > 0)
        NoteOpenedAlbum(state, folder);
    FinishBatch(state, first, result);
    return result;
}

void SortEntries(AlbumState& state, int first) {
    auto less = [](const EntryRecord& a, const EntryRecord& b) {
        return AsciiLower(a.SourcePath) < AsciiLower(b.SourcePath);
    };
    if (first < 0 || first >= state.EntryCount)
        return;
    std::stable_sort(state.Entries.begin() + first, state.Entries.begin() + state.EntryCount, less);
}

std::vector<int> TakenOrder(const AlbumState& state, const TakenTimeOf& takenAt) {
    struct Key {
        std::optional<std::int64_t> taken;
        std::string path;
    };
    std::vector<Key> keys;
    std::vector<int> order;
    for (int k = 0; k < state.EntryCount; ++k) {
        keys.push_back(
            {takenAt(state.Entries[k].SourcePath), AsciiLower(state.Entries[k].SourcePath)});
        order.push_back(k);
    }
    std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
        const Key& x = keys[a];
        const Key& y = keys[b];
        if (!x.taken || !y.taken)
            return x.taken.has_value() && !y.taken.has_value();
        return *x.taken != *y.taken ? *x.taken < *y.taken : x.path < y.path;
    });
    return order;
}

void ReorderEntries(AlbumState& state, const std::vector<int>& order) {
    std::vector<EntryRecord> entries;
    for (int slot : order)
        entries.push_back(std::move(state.Entries[slot]));
    std::move(entries.begin(), entries.end(), state.Entries.begin());
}

void DeleteEntry(AlbumState& state, int row) {
    if (row < 0 || row >= state.EntryCount)
        return;
    std::move(state.Entries.begin() + row + 1, state.Entries.begin() + state.EntryCount,
              state.Entries.begin() + row);
    --state.EntryCount;
    state.Entries[state.EntryCount] = EntryRecord{};
}

std::string CommentaryPicturePath(const AlbumState& state) {
    return NotePicturePath(state.TemplatePath);
}

int InsertCommentary(AlbumState& state, int row) {
    if (state.EntryCount >= kEntryCapacity)
        return -1;
    int slot = row + 1;
    std::move_backward(state.Entries.begin() + slot, state.Entries.begin() + state.EntryCount,
                       state.Entries.begin() + state.EntryCount + 1);
    ++state.EntryCount;
    CreateEntry(state, slot, CommentaryPicturePath(state), state.NoteCounter);
    ++state.NoteCounter;
    return slot;
}

}  // namespace albumon
