// The hidden record of the files a save wrote into its album folder, so that the next save can
// remove those it no longer writes (pictures of entries since removed or renamed) without ever
// touching a file the user put there himself. While a save runs it also names the save's staging
// folders, so that the next save can undo or clear what a killed one left.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "AlbumReadBack.h"  // kSaveRecordName, the record's file name

namespace albumon {

// What a saved file looked like when it was put in place: its size and modification time. A
// record written before the time was kept has only the size. A file of an entry also has the key
// of what made it (see EntryKeys), and the output picture what the save learnt of the entry
// (see KeptEntry); records written before keys were kept have neither. A file packed in the
// album's zip has the CRC-32 of its bytes as well, so that the next zip need not read it again.
struct FileStamp {
    std::uint64_t size = 0;
    std::optional<std::int64_t> modifiedNs;
    std::string key;
    std::string extra;
    std::optional<std::uint32_t> crc;
};

// Whether the plain file (not a link) at path is still as it was saved: a user's edit changes its
// time even when it keeps the size.
bool IsAsSaved(const std::string& path, const FileStamp& saved);

// File name (inside the album folder) to its stamp when written.
using SavedFiles = std::map<std::string, FileStamp>;

// A staging folder of a save: in the album folder or in the output folder, by name; placed once
// every staged file has been put in place.
struct StageNote {
    bool inOutFolder = false;
    std::string name;
    bool placed = false;
    bool operator==(const StageNote&) const = default;
};

struct RecordContents {
    SavedFiles files;
    std::vector<StageNote> stages;
    // Files of an earlier save that a save placed over it still has to remove: those of the
    // earlier record it did not write.
    SavedFiles leaving;
    // The index page and the archive beside the album folder (names in the output folder).
    SavedFiles outside;
};

// What an earlier save recorded in album (no trailing "/"); nothing when there is no record or
// it cannot be read.
std::optional<RecordContents> ReadSaveRecord(const std::string& album);

// Keeps the record of one save: the earlier record read when it starts, the names written as it
// goes. Every change is written at once, atomically.
class SaveRecord {
  public:
    explicit SaveRecord(std::string album);

    // Removes the temporary a save killed while writing the record left beside it (only a
    // save holding the album's lock writes the record, so with the lock held it is a leftover).
    void RemoveLeftover() const;
    // The staging folders a killed earlier save left on the record.
    std::vector<StageNote> EarlierStages() const;
    // Drops the earlier save's staging notes (once their folders are dealt with); the record so
    // written is the one a failed save restores. When that save was placed, first removes the
    // files it still had to remove (those still as saved), as Finish would have.
    void ForgetEarlierStages(bool placed);
    // Whether album held a readable record when this save began.
    bool HadRecord() const { return earlier_.has_value(); }
    // The files the earlier record names, with their stamps.
    SavedFiles EarlierFiles() const { return earlier_ ? earlier_->files : SavedFiles(); }
    // The index page and archive the earlier record names (older records name none).
    SavedFiles EarlierOutside() const { return earlier_ ? earlier_->outside : SavedFiles(); }

    // A file this save writes into the album folder (its name, no folder): no key yet.
    void Wrote(const std::string& name);
    // A file this save writes beside the album folder (the index page, the archive).
    void WroteOutside(const std::string& name);
    // The key (and what was learnt of its entry) of a file this save wrote.
    void Keyed(const std::string& name, const std::string& key, const std::string& extra = {});
    // The CRC-32 of a file this save wrote or kept, as its zip holds it.
    void Packed(const std::string& name, std::uint32_t crc);
    // A file this save keeps as the earlier save left it (under name, perhaps another than it
    // had): recorded with the stamp it had then, so that a change made to it meanwhile makes it
    // the user's.
    void Kept(const std::string& name, const FileStamp& earlier, bool outside = false);

    // Notes this save's staging folders before they are made.
    void NoteStages(std::vector<StageNote> stages);

    // The files are in place: records what this save wrote, the earlier record's files still to
    // go as leaving, the staging folders as placed. Raises EInOutError when it cannot be written.
    void Placed();

    // Once placed: removes the files of the earlier record that this save did not write and that
    // are still as that save left them (same size and modification time), then records what this
    // save wrote (and what could not be removed), its staging folders still listed. Raises
    // EInOutError when the record cannot be written.
    void Finish();
    // The end of a successful save, its staging folders gone: the record without them.
    void Close();

    // After a failed save: the record as it was before the save, byte for byte (none when there
    // was none). Failures are passed over.
    void Restore() noexcept;

  private:
    void Write(const SavedFiles& files, const std::vector<StageNote>& stages,
               const SavedFiles& leaving = {}, const SavedFiles& outside = {}) const;
    SavedFiles Stamped() const;
    SavedFiles StampedOutside() const;
    SavedFiles Stale() const;
    std::string OutFolder() const;

    std::string album_;
    std::optional<std::string> before_;  // the record's bytes before this save
    bool existed_ = false;               // a file of the record's name was there
    std::optional<RecordContents> earlier_;
    SavedFiles written_;
    SavedFiles writtenOutside_;
    std::map<std::pair<bool, std::string>, FileStamp> keptStamps_;  // (outside, name)
    SavedFiles keptOutside_;  // what Finish recorded of the index page and archive
    SavedFiles kept_;         // what Finish recorded
    std::vector<StageNote> stages_;
};

}  // namespace albumon
