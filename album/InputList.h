// The operations on the entry list: additions by files or folder, sort, move, delete, insert.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "AlbumState.h"

namespace albumon {

// What an addition did: files taken into the table and accepted files refused for lack of room.
struct AdditionResult {
    int Accepted = 0;
    int Refused = 0;
    // For a folder of an earlier album ("<head>.files"): the head text it restores.
    std::optional<std::string> HeadText;
    // What could not be read as it should, each naming its file.
    std::vector<std::string> Warnings;
};

// True for a path that is no folder, has a picture's name (IsPictureName) and whose file name does
// not begin with the trimmed thumbnail prefix.
bool IsAcceptedInput(const std::string& path, const std::string& thumbPrefix);

// True when a live entry's SourcePath equals path without regard to letter case.
bool IsListed(const AlbumState& state, const std::string& path);

// Appends the accepted files among paths, in the order given (a file may be listed twice),
// reads their notes back from pages beside them and refreshes the names.
AdditionResult AddFiles(AlbumState& state, const std::vector<std::string>& paths,
                        const NamingBase& naming);

// The order in which a folder's files are added: as the file system returns them (the window's
// folder selection) or by name.
enum class FolderOrder { FileSystem, ByName };

// Whether the files of a folder that are symbolic links are added.
enum class FolderLinks { Followed, Left };

// Appends the accepted files of a folder that are not listed yet, in the given order, and reads
// their notes back. The head text a "<head>.files" folder restores is returned; the caller
// applies it and refreshes the names.
AdditionResult AddFolder(AlbumState& state, const std::string& folder,
                         FolderOrder order = FolderOrder::FileSystem,
                         FolderLinks links = FolderLinks::Followed);

// The head text that a folder of an earlier album restores, if its path holds ".files".
std::optional<std::string> HeadTextOfFolder(const std::string& folder);

// Sorts the live entries from slot first on by SourcePath, ASCII letters without regard to case;
// equal keys keep their order.
void SortEntries(AlbumState& state, int first = 0);

// When the picture at a path was taken, in seconds since 1970-01-01 UTC; none without a date.
using TakenTimeOf = std::function<std::optional<std::int64_t>(const std::string& path)>;

// The order of the live entries by when their pictures were taken (takenAt of each SourcePath),
// equal times by SourcePath as SortEntries compares, the entries without a time after all others
// in their own order. order[k] is the slot whose entry goes to slot k.
std::vector<int> TakenOrder(const AlbumState& state, const TakenTimeOf& takenAt);

// Puts the entries of slots 0 .. order.size() - 1 into order (order[k]: the slot whose entry goes
// to slot k, a permutation of those slots); whole records move.
void ReorderEntries(AlbumState& state, const std::vector<int>& order);

// Removes the entry of row, closing the gap.
void DeleteEntry(AlbumState& state, int row);

// Inserts a commentary entry after row (first when row is -1). Returns its slot, or -1 when
// the table is full.
int InsertCommentary(AlbumState& state, int row);

// The path of the commentary picture of the template in use.
std::string CommentaryPicturePath(const AlbumState& state);

}  // namespace albumon
