// The hidden record of the files a save wrote into its album folder, so that the next save can
// remove those it no longer writes (pictures of entries since removed or renamed) without ever
// touching a file the user put there himself.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace albumon {

// The record's file name inside the album folder.
inline constexpr const char* kSaveRecordName = ".albumon.saved";

// File name (inside the album folder) to its size when written.
using SavedFiles = std::map<std::string, std::uint64_t>;

// The files an earlier save recorded in album (no trailing "/"); nothing when there is no
// record or it cannot be read.
std::optional<SavedFiles> ReadSaveRecord(const std::string& album);

// Keeps the record of one save: the earlier record read when it starts, the names written as it
// goes.
class SaveRecord {
  public:
    explicit SaveRecord(std::string album);

    // A file this save wrote into the album folder (its name, no folder).
    void Wrote(const std::string& name) { written_[name] = 0; }

    // The end of a successful save: records what this save wrote, then removes the files of the
    // earlier record that this save did not write and that are still as that save left them
    // (same size). Raises EInOutError when the record cannot be written (nothing is removed).
    void Finish();

    // After a failed save: records the earlier save's files and this one's so far, so that a
    // later save can still remove them. Failures are passed over.
    void KeepPartial() noexcept;

  private:
    void Write(const SavedFiles& files) const;
    SavedFiles Sized() const;

    std::string album_;
    std::optional<SavedFiles> earlier_;
    SavedFiles written_;
};

}  // namespace albumon
