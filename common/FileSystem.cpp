// File-system helpers on byte-string paths.
#include "FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

#include "Errors.h"
#include "Paths.h"
#include "TextFile.h"

namespace albumon {

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void ForceDirectories(const std::string& path) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder.empty() || DirectoryExists(folder))
        return;
    auto slash = folder.rfind('/');
    if (slash != std::string::npos && slash > 0)
        ForceDirectories(folder.substr(0, slash));
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
        RaiseInOutError(errno, folder);
}

std::vector<DirEntry> ListFolder(const std::string& folder) {
    std::vector<DirEntry> entries;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "/" : folder.c_str()),
                                            &::closedir);
    if (!dir)
        return entries;
    while (dirent* item = ::readdir(dir.get())) {
        std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        bool isFolder = item->d_type == DT_DIR;
        if (item->d_type == DT_UNKNOWN || item->d_type == DT_LNK) {
            isFolder = DirectoryExists(WithTrailingSlash(folder) + name);
        }
        entries.push_back({std::move(name), isFolder});
    }
    return entries;
}

std::string FindAnyCase(const std::string& folder, const std::string& name) {
    struct stat st {};
    if (::lstat((folder + name).c_str(), &st) == 0)
        return folder + name;
    const std::string wanted = AsciiLower(name);
    std::string found;
    for (const DirEntry& item : ListFolder(folder)) {
        if (AsciiLower(item.name) == wanted && (found.empty() || item.name < found))
            found = item.name;
    }
    return folder + (found.empty() ? name : found);
}

std::string FollowLinks(const std::string& path) {
    std::string current = path;
    // As many links as the kernel follows in one path; a longer chain is left to fail on use.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        std::error_code error;
        std::string target = std::filesystem::read_symlink(current, error).string();
        if (error || target.empty())
            break;
        current = target.front() == '/' ? target : FolderPart(current) + target;
    }
    return current;
}

int OpenInputFile(const std::string& path, std::uint64_t maxBytes, FileHandle& file) {
    // Looked at before it is opened, so that opening a device has no effect on it; opened without
    // blocking, so that a fifo put in its place meanwhile cannot hold the reader.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return kNotRegularFile;
    FileHandle in(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!in.valid())
        return errno;
    if (::fstat(in.get(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return kNotRegularFile;
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes)
        return kFileTooLarge;
    file = std::move(in);
    return 0;
}

bool IsRefusal(int err) {
    return err == kNotRegularFile || err == kFileTooLarge;
}

void RaiseRefusal(const std::string& path, int err) {
    throw EFOpenError(path, err == kFileTooLarge ? "大きすぎます" : "通常のファイルではありません");
}

namespace {

// The longest file name the file systems take, and the length of a replacement's suffix.
constexpr std::size_t kLongestName = 255;
constexpr std::size_t kSuffixLength = 15;  // ".albumon-" and six hexadecimal digits

int WriteAll(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// Reads fd to its end in chunks handed to sink, which returns 0 or an errno that stops the
// reading. Returns 0, or the errno of the failure.
template <typename Sink>
int ReadChunks(int fd, Sink&& sink) {
    std::string buffer(256 * 1024, '\0');
    for (;;) {
        ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return 0;
        if (int err = sink(buffer.data(), static_cast<std::size_t>(n)))
            return err;
    }
}

// Copies everything from in to out: inside the kernel where the file systems allow it, else
// through a buffer. Returns 0, or the errno of the failure.
int CopyContents(int in, int out) {
    bool copied = false;
    for (;;) {
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n > 0) {
            copied = true;
            continue;
        }
        if (n == 0)
            return 0;
        if (errno == EINTR)
            continue;
        // Not supported between these files: copy through a buffer (from where it stopped).
        if (!copied && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                        errno == EOPNOTSUPP || errno == EBADF))
            break;
        return errno;
    }
    return ReadChunks(
        in, [&](const char* data, std::size_t size) { return WriteAll(out, data, size); });
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& target) : target_(target) {
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    // A file its owner made read-only is not replaced, as a plain write would not be (the
    // rename would replace it whatever its permissions, also for root).
    if (exists && !S_ISDIR(st.st_mode) &&
        ((st.st_mode & 0222) == 0 ||
         ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)) {
        error_ = EACCES;
        return;
    }
    // A new file gets the usual permissions (the kernel applies the umask); a replaced one keeps
    // the permissions it had.
    const mode_t mode = exists ? (st.st_mode & 07777) : 0666;
    // The temporary name is the target's with a suffix, its file-name part cut so that it stays
    // a valid name whenever the target's is.
    const std::string name = FileNamePart(target);
    const std::string stem =
        FolderPart(target) + name.substr(0, std::min(name.size(), kLongestName - kSuffixLength));
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[kSuffixLength + 1];
        std::snprintf(suffix, sizeof suffix, ".albumon-%06x", random() & 0xFFFFFF);
        path_ = stem + suffix;
        fd_ = FileHandle(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd_.valid())
            break;
        if (errno != EEXIST)
            break;
    }
    if (!fd_.valid()) {
        error_ = errno;
        return;
    }
    if (exists)
        ::fchmod(fd_.get(), mode);
}

bool IsReplacementLeftover(std::string_view name) {
    constexpr std::string_view kMark = ".albumon-";
    if (name.size() <= kSuffixLength ||
        name.substr(name.size() - kSuffixLength, kMark.size()) != kMark)
        return false;
    for (char c : name.substr(name.size() - 6)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

bool IsReplacementLeftoverOf(std::string_view name, std::string_view target) {
    return IsReplacementLeftover(name) &&
           target.substr(0, name.size() - kSuffixLength) ==
               name.substr(0, name.size() - kSuffixLength) &&
           name.size() - kSuffixLength == std::min(target.size(), kLongestName - kSuffixLength);
}

ReplacementFile::~ReplacementFile() {
    if (committed_ || error_ != 0)
        return;
    fd_.close();
    ::unlink(path_.c_str());
}

int ReplacementFile::Commit() {
    if (int err = fd_.close())
        return err;
    if (::rename(path_.c_str(), target_.c_str()) != 0)
        return errno;
    committed_ = true;
    return 0;
}

int CopyFileReplacing(const std::string& source, const std::string& target) {
    FileHandle in;
    if (int err = OpenInputFile(source, kNoSizeLimit, in))
        return err;
    if (SameFile(source, target))
        return 0;
    ReplacementFile temp(target);
    if (temp.error())
        return temp.error();
    if (int err = CopyContents(in.get(), temp.fd()))
        return err;
    return temp.Commit();
}

int WriteFileAtomically(const std::string& path, const void* data, std::size_t size) {
    ReplacementFile temp(path);
    if (temp.error())
        return temp.error();
    if (int err = WriteAll(temp.fd(), static_cast<const char*>(data), size))
        return err;
    return temp.Commit();
}

int WriteFileInPlace(const std::string& path, const void* data, std::size_t size) {
    FileHandle out(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    if (!out.valid())
        return errno;
    if (int err = WriteAll(out.get(), static_cast<const char*>(data), size))
        return err;
    if (::ftruncate(out.get(), static_cast<off_t>(size)) != 0)
        return errno;
    return out.close();
}

int ReadWholeFile(const std::string& path, std::string& bytes, std::uint64_t maxBytes) {
    FileHandle in;
    if (int err = OpenInputFile(path, maxBytes, in))
        return err;
    // The size the file has now is read straight into place in one allocation; a file that
    // grows meanwhile is read on in chunks, and still stops at the bound.
    struct stat st {};
    if (::fstat(in.get(), &st) != 0)
        return errno;
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::read(in.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    if (done < bytes.size()) {
        bytes.resize(done);
        return 0;
    }
    return ReadChunks(in.get(), [&](const char* data, std::size_t size) {
        if (bytes.size() + size > maxBytes)
            return kFileTooLarge;
        bytes.append(data, size);
        return 0;
    });
}

}  // namespace albumon
