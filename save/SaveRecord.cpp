// The hidden record of the files a save wrote into its album folder.
#include "SaveRecord.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string_view>

#include "Errors.h"
#include "FileSystem.h"
#include "ScreenSizes.h"

namespace albumon {

namespace {

constexpr std::string_view kHeader = "Albumon saved files 1\n";
// A record larger than this is none Albumon wrote.
constexpr std::uint64_t kLargestRecord = 16 << 20;

// The size of a plain file (not a link), or nothing.
std::optional<std::uint64_t> PlainFileSize(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool PlainName(std::string_view name) {
    // The screen-size pictures lie in their own folder of the album folder.
    const std::string_view folder = std::string_view(kScreenSizeFolder);
    if (name.size() > folder.size() && name.substr(0, folder.size()) == folder &&
        name[folder.size()] == '/')
        name.remove_prefix(folder.size() + 1);
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name != kSaveRecordName;
}

// One "size name" item of the record; false when it is malformed.
bool ParseItem(std::string_view item, SavedFiles& files) {
    const auto space = item.find(' ');
    if (space == std::string_view::npos)
        return false;
    std::uint64_t size = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + space, size);
    const std::string_view name = item.substr(space + 1);
    if (error != std::errc() || end != item.data() + space || !PlainName(name))
        return false;
    files[std::string(name)] = size;
    return true;
}

}  // namespace

std::optional<SavedFiles> ReadSaveRecord(const std::string& album) {
    const std::string path = album + "/" + kSaveRecordName;
    const auto size = PlainFileSize(path);
    std::string bytes;
    if (!size || *size > kLargestRecord || ReadWholeFile(path, bytes) != 0 ||
        bytes.compare(0, kHeader.size(), kHeader) != 0) {
        return std::nullopt;
    }
    // Items end with a NUL byte: a file name may hold any other byte.
    SavedFiles files;
    for (std::size_t at = kHeader.size(); at < bytes.size();) {
        const auto end = bytes.find('\0', at);
        if (end == std::string::npos ||
            !ParseItem(std::string_view(bytes).substr(at, end - at), files))
            return std::nullopt;
        at = end + 1;
    }
    return files;
}

SaveRecord::SaveRecord(std::string album)
    : album_(std::move(album)), earlier_(ReadSaveRecord(album_)) {}

SavedFiles SaveRecord::Sized() const {
    SavedFiles files;
    for (const auto& [name, unused] : written_) {
        if (!PlainName(name))
            continue;
        if (const auto size = PlainFileSize(album_ + "/" + name))
            files[name] = *size;
    }
    return files;
}

void SaveRecord::Write(const SavedFiles& files) const {
    std::string bytes(kHeader);
    for (const auto& [name, size] : files) {
        bytes += std::to_string(size) + " " + name;
        bytes += '\0';
    }
    const std::string path = album_ + "/" + kSaveRecordName;
    if (int err = WriteFileAtomically(path, bytes.data(), bytes.size()))
        RaiseInOutError(err, path);
}

void SaveRecord::Finish() {
    SavedFiles kept = Sized();
    if (earlier_) {
        for (const auto& [name, size] : *earlier_) {
            if (kept.count(name) != 0)
                continue;
            const std::string path = album_ + "/" + name;
            // A file of that name the user has put there since is left alone: it has another
            // size, or is no plain file.
            if (PlainFileSize(path) != size)
                continue;
            // One that cannot be removed now stays on the record for the next save.
            if (::unlink(path.c_str()) != 0 && errno != ENOENT)
                kept[name] = size;
        }
    }
    Write(kept);
    // A screen-size folder left empty goes with its last picture.
    ::rmdir((album_ + "/" + kScreenSizeFolder).c_str());
}

void SaveRecord::KeepPartial() noexcept {
    try {
        SavedFiles files = earlier_ ? *earlier_ : SavedFiles();
        for (const auto& [name, size] : Sized())
            files[name] = size;
        Write(files);
    } catch (...) {
        // The record stays as it was: later saves then remove less, never more.
    }
}

}  // namespace albumon
