// File-system helpers on byte-string paths: existence, folder creation, listing and copying.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "TextFile.h"

namespace albumon {

// True when a file (not a folder) exists at path.
bool FileExists(const std::string& path);

// True when a folder exists at path.
bool DirectoryExists(const std::string& path);

// Creates a folder together with its missing parents; raises EInOutError on failure.
void ForceDirectories(const std::string& path);

// One item of a folder listing.
struct DirEntry {
    std::string name;
    bool isFolder = false;
};

// The items of a folder in the order the file system returns them, "." and ".." left out.
// A folder that cannot be read gives an empty list.
std::vector<DirEntry> ListFolder(const std::string& folder);

// A new file written beside target (target + ".albumon-" + six random hexadecimal digits, the
// target's name cut short where that would exceed 255 bytes) that replaces target only when
// committed: until then the old file stays as it was. Removed unless committed. A target whose
// permissions forbid writing is refused (EACCES), also for root.
class ReplacementFile {
  public:
    explicit ReplacementFile(const std::string& target);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // The errno of a failed creation, else 0.
    int error() const { return error_; }
    int fd() const { return fd_.get(); }
    // Closes the file and renames it over the target. Returns 0, or the errno of the failure.
    int Commit();

  private:
    std::string target_;
    std::string path_;
    FileHandle fd_;
    int error_ = 0;
    bool committed_ = false;
};

// True for a file name a ReplacementFile gives its temporary (one left by a killed process).
bool IsReplacementLeftover(std::string_view name);

// True for the name of a temporary a ReplacementFile of the file named target leaves.
bool IsReplacementLeftoverOf(std::string_view name, std::string_view target);

// Copies a file, replacing the target. Returns 0 on success, else the errno of the failure.
// The target is written beside itself and renamed into place, so a failed copy never leaves a
// half-written file where a good one was; copying a file onto itself leaves it as it is.
int CopyFileReplacing(const std::string& source, const std::string& target);

// Writes bytes to path through a temporary file beside it renamed over it once complete.
// Returns 0 on success, else the errno of the failure (the old file then stays as it was).
int WriteFileAtomically(const std::string& path, const void* data, std::size_t size);

// Reads a whole file into bytes. Returns 0 on success, else the errno of the failure.
int ReadWholeFile(const std::string& path, std::string& bytes);

}  // namespace albumon
