// Carries out a parsed "Zip" request on libzip.
#include "ZipWriter.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <vector>

#include "FileSystem.h"
#include "Paths.h"
#include "ZipCloneSource.h"

namespace albumon {

namespace {

// One file to store: where it lies and the name of its entry.
struct PlannedFile {
    std::string path;
    std::string entryName;
    time_t modified = 0;
    std::int64_t modifiedNs = 0;
    off_t size = 0;
};

struct ZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipCloser>;

bool ValidUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra = c < 0x80   ? 0
                            : c < 0xC2 ? 4
                            : c < 0xE0 ? 1
                            : c < 0xF0 ? 2
                            : c < 0xF5 ? 3
                                       : 4;
        if (extra == 4 || i + extra >= text.size() + (extra == 0 ? 1 : 0))
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2)
                return false;
        }
        i += extra + 1;
    }
    return true;
}

std::string CurrentFolder() {
    std::string folder(PATH_MAX, '\0');
    if (::getcwd(folder.data(), folder.size()) == nullptr)
        return "/";
    folder.resize(folder.find('\0'));
    return WithTrailingSlash(folder);
}

// The path of name relative to base, both absolute, with "." and ".." resolved by their text;
// nothing when it leads outside base.
std::optional<std::string> RelativeInside(const std::string& base, const std::string& path) {
    if (path.compare(0, base.size(), base) != 0)
        return std::nullopt;
    std::vector<std::string> parts;
    std::size_t start = base.size();
    while (start <= path.size()) {
        auto stop = path.find('/', start);
        if (stop == std::string::npos)
            stop = path.size();
        std::string part = path.substr(start, stop - start);
        if (part == "..") {
            if (parts.empty())
                return std::nullopt;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        start = stop + 1;
    }
    if (parts.empty())
        return std::nullopt;
    std::string relative;
    for (const auto& part : parts)
        relative += (relative.empty() ? "" : "/") + part;
    return relative;
}

// Finds the files of a request in the order named, each once.
class FilePlanner {
  public:
    FilePlanner(const ZipCommand& command, const std::string& base, const struct stat& archive)
        : command_(command), base_(base), archive_(archive) {}

    // Adds the files one name stands for; false with the failure's result.
    int AddName(const std::string& name) {
        std::string full = name[0] == '/' ? name : base_ + name;
        std::string folder = FolderPart(full);
        std::string file = FileNamePart(full);
        // Only a name ending in a wildcard is a pattern: any other name is taken as it is, so
        // that a file named "a?b" or "[x]" stands for itself.
        bool wildcard = !file.empty() && (file.back() == '*' || file.back() == '?');
        std::string checked = wildcard ? folder + "x" : full;
        auto relative = RelativeInside(base_, checked);
        if (!relative)
            return kZipBadParameters;
        if (wildcard) {
            std::string pattern = file == "*.*" ? "*" : file;
            AddFolder(folder, FolderPart(*relative), pattern);
        } else if (DirectoryExists(full)) {
            if (command_.recurse)
                AddFolder(WithTrailingSlash(full), *relative + "/", "*");
        } else if (!AddFile(full, *relative)) {
            return kZipOpenFailed;
        }
        return kZipOk;
    }

    const std::vector<PlannedFile>& files() const { return files_; }
    bool Planned(const std::string& entryName) const { return entryNames_.count(entryName) != 0; }

  private:
    void AddFolder(const std::string& folder, const std::string& relative,
                   const std::string& pattern) {
        for (const auto& item : ListFolder(folder)) {
            if ((item.name[0] == '.' && !command_.includeHidden) ||
                IsReplacementLeftover(item.name))
                continue;
            if (item.isFolder) {
                if (command_.recurse)
                    AddFolder(folder + item.name + "/", relative + item.name + "/", pattern);
            } else if (::fnmatch(pattern.c_str(), item.name.c_str(), 0) == 0) {
                AddFile(folder + item.name, relative + item.name);
            }
        }
    }

    bool AddFile(const std::string& path, const std::string& relative) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return false;
        if (st.st_dev == archive_.st_dev && st.st_ino == archive_.st_ino)
            return true;
        std::string entryName = command_.junkPaths ? FileNamePart(relative) : relative;
        if (!entryNames_.insert(entryName).second)
            return true;
        files_.push_back({path, entryName, st.st_mtime,
                          std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec,
                          st.st_size});
        return true;
    }

    const ZipCommand& command_;
    std::string base_;
    struct stat archive_;
    std::vector<PlannedFile> files_;
    std::set<std::string> entryNames_;
};

// The file the archive path names: a symbolic link is followed so that the file it points to
// is updated and the link stays. Empty when a link leads nowhere.
std::string ArchiveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    std::unique_ptr<char, decltype(&::free)> resolved(::realpath(path.c_str(), nullptr), &::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

void Log(std::string* log, const std::string& line) {
    if (log)
        *log += line + "\n";
}

// The CRC-32 of the file's bytes; nothing when it cannot be read.
std::optional<uLong> FileCrc(const std::string& path) {
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid())
        return std::nullopt;
    // On the stack: a buffer allocated anew for each file costs more than the checksum.
    unsigned char buffer[1 << 16];
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return crc;
        crc = crc32(crc, buffer, static_cast<uInt>(got));
    }
}

// Whether the archive's member at index holds the file's bytes as they are, stored with method,
// unencrypted: it has the file's size and the CRC-32 of its bytes, which is read from the file
// unless known gives it for the file's size and modification time.
bool HoldsFile(zip_t* archive, zip_int64_t index, const PlannedFile& file, zip_int32_t method,
               const KnownCrcs* known) {
    zip_stat_t st;
    constexpr zip_uint64_t kNeeded =
        ZIP_STAT_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
    if (index < 0 || zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &st) != 0 ||
        (st.valid & kNeeded) != kNeeded || st.comp_method != method ||
        st.encryption_method != ZIP_EM_NONE || st.size != static_cast<zip_uint64_t>(file.size))
        return false;
    if (known != nullptr) {
        const auto taken = known->find(file.entryName);
        if (taken != known->end() && taken->second.size == static_cast<std::uint64_t>(file.size) &&
            taken->second.modifiedNs == file.modifiedNs)
            return taken->second.crc == st.crc;
    }
    const auto crc = FileCrc(file.path);
    return crc && *crc == st.crc;
}

// Stores one planned file; false when libzip refuses it. In an archive opened on an earlier one
// (fromEarlier), a member that holds the file already is kept as it is, and one that does not is
// removed and the file added at the end, so that the members that change come last, after
// those that stay.
bool StoreFile(zip_t* archive, const PlannedFile& file, const ZipCommand& command, bool& changed,
               std::string* log, bool fromEarlier, const KnownCrcs* known, int& reused) {
    bool utf8 = ValidUtf8(file.entryName);
    zip_int64_t index = zip_name_locate(archive, file.entryName.c_str(), utf8 ? 0 : ZIP_FL_ENC_RAW);
    const zip_int32_t method = command.level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    if (fromEarlier && index >= 0) {
        if (HoldsFile(archive, index, file, method, known)) {
            ++reused;
            return true;
        }
        if (zip_delete(archive, static_cast<zip_uint64_t>(index)) != 0)
            return false;
        index = -1;
    }
    if (index >= 0 && command.updateOnly) {
        zip_stat_t st;
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &st) == 0 &&
            (st.valid & ZIP_STAT_MTIME) && file.modified <= st.mtime + 1) {
            return true;
        }
    }
    zip_source_t* source = zip_source_file(archive, file.path.c_str(), 0, 0);
    if (source == nullptr)
        return false;
    if (index >= 0) {
        if (zip_file_replace(archive, static_cast<zip_uint64_t>(index), source, 0) != 0) {
            zip_source_free(source);
            return false;
        }
        Log(log, "updating: " + file.entryName);
    } else {
        index = zip_file_add(archive, file.entryName.c_str(), source,
                             utf8 ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_RAW);
        if (index < 0) {
            zip_source_free(source);
            return false;
        }
        Log(log, "  adding: " + file.entryName);
    }
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), method,
                             static_cast<zip_uint32_t>(command.level));
    changed = true;
    return true;
}

// Removes the entries that name no planned file; false when libzip refuses.
bool RemoveUnplanned(zip_t* archive, const FilePlanner& planner, bool& changed, std::string* log) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (name == nullptr || planner.Planned(name))
            continue;
        Log(log, "deleting: " + std::string(name));
        if (zip_delete(archive, static_cast<zip_uint64_t>(i)) != 0)
            return false;
        changed = true;
    }
    return true;
}

// True when an existing archive may not be written: no write permission at all (which root
// would pass over) or none for this process.
bool ReadOnly(const std::string& path, const struct stat& st) {
    return (st.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

// The path libzip works under: the archive's own, or, when the temporary libzip writes beside
// it (its name + ".XXXXXX") would have a name too long for the file system, a shorter name (a
// hard link to an existing archive) renamed over the archive once written, removed otherwise.
class WorkPath {
  public:
    explicit WorkPath(const std::string& archive) : archive_(archive), path_(archive) {
        constexpr std::size_t kLongestName = 255;
        constexpr std::size_t kLibzipSuffix = 7;
        constexpr std::size_t kOwnSuffix = 15;  // ".albumon-" and six hexadecimal digits
        const std::string name = FileNamePart(archive);
        if (name.size() + kLibzipSuffix <= kLongestName)
            return;
        std::random_device random;
        char suffix[kOwnSuffix + 1];
        std::snprintf(suffix, sizeof suffix, ".albumon-%06x", random() & 0xFFFFFF);
        path_ = FolderPart(archive) + name.substr(0, kLongestName - kLibzipSuffix - kOwnSuffix) +
                suffix;
        failed_ = ::link(archive.c_str(), path_.c_str()) != 0 && errno != ENOENT;
    }
    ~WorkPath() {
        if (path_ != archive_ && !placed_)
            ::unlink(path_.c_str());
    }
    WorkPath(const WorkPath&) = delete;
    WorkPath& operator=(const WorkPath&) = delete;

    bool failed() const { return failed_; }
    const std::string& path() const { return path_; }
    // Puts what libzip wrote in place of the archive; false when that fails.
    bool Place() {
        placed_ = path_ == archive_ || ::rename(path_.c_str(), archive_.c_str()) == 0;
        return placed_;
    }

  private:
    std::string archive_;
    std::string path_;
    bool failed_ = false;
    bool placed_ = false;
};

int OpenError(int code) {
    return code == ZIP_ER_NOZIP || code == ZIP_ER_INCONS ? kZipBadArchive : kZipCreateFailed;
}

// libzip's progress report; nothing may be thrown through libzip's frames.
void ReportProgress(zip_t*, double done, void* progress) {
    try {
        (*static_cast<const ZipProgress*>(progress))(done);
    } catch (...) {
    }
}

}  // namespace

int RunZipCommand(const ZipCommand& command, std::string* log, const ZipProgress& progress,
                  ZipReuse* reuse) {
    std::string base = command.baseDir.empty() ? CurrentFolder() : command.baseDir;
    if (base[0] != '/')
        base = CurrentFolder() + base;
    std::string archivePath = ArchiveTarget(command.archivePath);
    if (archivePath.empty()) {
        Log(log, "zip error: " + command.archivePath + " is a link that leads nowhere");
        return kZipCreateFailed;
    }
    struct stat archiveStat {};
    if (::stat(archivePath.c_str(), &archiveStat) == 0 && ReadOnly(archivePath, archiveStat)) {
        Log(log, "zip error: " + archivePath + " is read-only");
        return kZipCreateFailed;
    }

    FilePlanner planner(command, base, archiveStat);
    for (const auto& name : command.names) {
        if (int result = planner.AddName(name)) {
            Log(log, "zip error: cannot take " + name);
            return result;
        }
    }
    if (planner.files().empty())
        return kZipNothingToDo;

    WorkPath work(archivePath);
    if (work.failed())
        return kZipCreateFailed;
    // With an earlier archive the new one starts as a copy of it (when it is not there yet):
    // zip_close then copies the earlier members up to the first one changed in the kernel.
    int error = 0;
    int reused = 0;
    ZipHandle archive;
    zip_source_t* cloning =
        reuse && !reuse->earlier.empty() ? CloningZipSource(reuse->earlier, work.path()) : nullptr;
    if (cloning != nullptr) {
        archive.reset(zip_open_from_source(cloning, 0, nullptr));
        if (!archive)
            zip_source_free(cloning);
    }
    const bool fromEarlier = archive != nullptr;
    if (!fromEarlier)
        archive.reset(zip_open(work.path().c_str(), ZIP_CREATE, &error));
    if (!archive)
        return OpenError(error);
    bool changed = false;
    for (const auto& file : planner.files()) {
        if (!StoreFile(archive.get(), file, command, changed, log, fromEarlier,
                       reuse ? reuse->known : nullptr, reused)) {
            Log(log, "zip error: cannot store " + file.path);
            return kZipOpenFailed;
        }
    }
    // An archive made from an earlier one holds the named files alone, as a new one would.
    if ((command.fileSync || fromEarlier) && !RemoveUnplanned(archive.get(), planner, changed, log))
        return kZipWriteFailed;
    if (!changed && !fromEarlier)
        return kZipOk;
    if (changed) {
        if (progress) {
            zip_register_progress_callback_with_state(archive.get(), 0.01, &ReportProgress, nullptr,
                                                      const_cast<ZipProgress*>(&progress));
        }
        if (zip_close(archive.get()) != 0) {
            Log(log, std::string("zip error: ") + zip_strerror(archive.get()));
            return kZipWriteFailed;
        }
        archive.release();
    } else {
        // Every member stays: the archive is a copy of the earlier one.
        archive.reset();
        if (CopyFileReplacing(reuse->earlier, work.path()) != 0)
            return kZipWriteFailed;
    }
    if (reuse)
        reuse->reused = reused;
    if (!work.Place()) {
        Log(log, "zip error: cannot replace " + archivePath);
        return kZipWriteFailed;
    }
    return kZipOk;
}

}  // namespace albumon
