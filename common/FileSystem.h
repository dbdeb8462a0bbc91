// File-system helpers on byte-string paths: existence, folder creation, listing and copying.
#pragma once

#include <cerrno>
#include <cstdint>
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

// The path of the item called name in folder (which ends with "/"): name itself when such an item
// exists, else the first in byte order whose name equals it apart from the case of ASCII letters,
// else name itself. Templates made on other systems spell their file names in any case.
std::string FindAnyCase(const std::string& folder, const std::string& name);

// The path a symbolic link at path finally leads to, followed link by link (also to a target that
// does not exist yet); path itself when it is no link.
std::string FollowLinks(const std::string& path);

// Most bytes read from a text or settings file: far beyond any real one, short of a memory hog.
inline constexpr std::uint64_t kMaxTextFileBytes = std::uint64_t{256} << 20;
inline constexpr std::uint64_t kNoSizeLimit = UINT64_MAX;

// Why OpenInputFile refuses a file, as errno values: it is a fifo, socket or device (whose data
// could be endless or never come), or it holds more bytes than the reader takes.
inline constexpr int kNotRegularFile = ENODEV;
inline constexpr int kFileTooLarge = EFBIG;

// Opens a regular file of at most maxBytes bytes for reading, never waiting on a fifo or device.
// Returns 0, the errno of a failed open, or one of the refusals above.
int OpenInputFile(const std::string& path, std::uint64_t maxBytes, FileHandle& file);

// True when err is one of OpenInputFile's refusals.
bool IsRefusal(int err);

// Raises EFOpenError naming path and saying why it was refused (err one of the refusals).
[[noreturn]] void RaiseRefusal(const std::string& path, int err);

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

// Copies a regular file, replacing the target. Returns 0 on success, else the errno of the failure
// or kNotRegularFile for a source that is no regular file.
// The target is written beside itself and renamed into place, so a failed copy never leaves a
// half-written file where a good one was; copying a file onto itself leaves it as it is.
int CopyFileReplacing(const std::string& source, const std::string& target);

// Writes bytes to path through a temporary file beside it renamed over it once complete.
// Returns 0 on success, else the errno of the failure (the old file then stays as it was).
int WriteFileAtomically(const std::string& path, const void* data, std::size_t size);

// Rewrites the file at path in place with bytes, for a file that may be written in a folder that
// may not: a failure part way leaves it torn. Returns 0, or the errno of the failure.
int WriteFileInPlace(const std::string& path, const void* data, std::size_t size);

// Reads a whole regular file of at most maxBytes bytes into bytes. Returns 0 on success, else the
// errno of the failure or one of OpenInputFile's refusals.
int ReadWholeFile(const std::string& path, std::string& bytes,
                  std::uint64_t maxBytes = kMaxTextFileBytes);

}  // namespace albumon
