// The archive source that reads an earlier archive and writes its successor elsewhere.
#include "ZipCloneSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "TextFile.h"

namespace albumon {

namespace {

// Written out in blocks of this size: libzip hands its data over in small pieces.
constexpr std::size_t kBlock = 1 << 20;

class CloneSource {
  public:
    CloneSource(FileHandle earlier, zip_uint64_t size, time_t modified, std::string target)
        : earlier_(std::move(earlier)),
          size_(size),
          modified_(modified),
          target_(std::move(target)) {
        zip_error_init(&error_);
    }
    ~CloneSource() {
        DropTarget();
        zip_error_fini(&error_);
    }
    CloneSource(const CloneSource&) = delete;
    CloneSource& operator=(const CloneSource&) = delete;

    zip_int64_t Call(void* data, zip_uint64_t length, zip_source_cmd_t command) {
        switch (command) {
            case ZIP_SOURCE_OPEN:
                readAt_ = 0;
                return 0;
            case ZIP_SOURCE_READ:
                return Read(data, length);
            case ZIP_SOURCE_CLOSE:
                return 0;
            case ZIP_SOURCE_STAT:
                return Stat(data, length);
            case ZIP_SOURCE_ERROR:
                return zip_error_to_data(&error_, data, length);
            case ZIP_SOURCE_SEEK:
                return Seek(readAt_, size_, data, length);
            case ZIP_SOURCE_TELL:
                return static_cast<zip_int64_t>(readAt_);
            case ZIP_SOURCE_BEGIN_WRITE:
                return BeginWrite(0);
            case ZIP_SOURCE_BEGIN_WRITE_CLONING:
                return BeginWrite(length);
            case ZIP_SOURCE_WRITE:
                return Write(data, length);
            case ZIP_SOURCE_SEEK_WRITE:
                return Flush() ? Seek(writeAt_, writeEnd_, data, length) : -1;
            case ZIP_SOURCE_TELL_WRITE:
                return static_cast<zip_int64_t>(writeAt_ + pending_.size());
            case ZIP_SOURCE_COMMIT_WRITE:
                return Commit();
            case ZIP_SOURCE_ROLLBACK_WRITE:
            case ZIP_SOURCE_REMOVE:
                DropTarget();
                return 0;
            case ZIP_SOURCE_FREE:
                delete this;
                return 0;
            case ZIP_SOURCE_SUPPORTS:
                return zip_source_make_command_bitmap(
                    ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                    ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL,
                    ZIP_SOURCE_SUPPORTS, ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_BEGIN_WRITE_CLONING,
                    ZIP_SOURCE_COMMIT_WRITE, ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_WRITE,
                    ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_REMOVE,
                    static_cast<zip_source_cmd_t>(-1));
            default:
                return Fail(ZIP_ER_OPNOTSUPP, 0);
        }
    }

  private:
    zip_int64_t Fail(int code, int systemError) {
        zip_error_set(&error_, code, systemError);
        return -1;
    }

    zip_int64_t Read(void* data, zip_uint64_t length) {
        for (;;) {
            const ssize_t got = ::pread(earlier_.get(), data, length, static_cast<off_t>(readAt_));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return Fail(ZIP_ER_READ, errno);
            readAt_ += static_cast<zip_uint64_t>(got);
            return got;
        }
    }

    zip_int64_t Stat(void* data, zip_uint64_t length) {
        zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error_);
        if (st == nullptr)
            return -1;
        zip_stat_init(st);
        st->size = size_;
        st->mtime = modified_;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return 0;
    }

    zip_int64_t Seek(zip_uint64_t& at, zip_uint64_t end, void* data, zip_uint64_t length) {
        const zip_int64_t to = zip_source_seek_compute_offset(at, end, data, length, &error_);
        if (to < 0)
            return -1;
        at = static_cast<zip_uint64_t>(to);
        return 0;
    }

    // Starts the target with the first keep bytes of the earlier archive, copied in the kernel.
    zip_int64_t BeginWrite(zip_uint64_t keep) {
        if (keep > size_)
            return Fail(ZIP_ER_INVAL, 0);
        DropTarget();
        targetFile_ =
            FileHandle(::open(target_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!targetFile_.valid())
            return Fail(ZIP_ER_TMPOPEN, errno);
        created_ = true;
        loff_t in = 0;
        loff_t out = 0;
        while (static_cast<zip_uint64_t>(in) < keep) {
            const ssize_t copied = ::copy_file_range(earlier_.get(), &in, targetFile_.get(), &out,
                                                     keep - static_cast<zip_uint64_t>(in), 0);
            if (copied < 0 && errno == EINTR)
                continue;
            if (copied <= 0) {
                const int err = copied < 0 ? errno : EIO;
                DropTarget();
                return Fail(ZIP_ER_WRITE, err);
            }
        }
        writeAt_ = writeEnd_ = keep;
        pending_.clear();
        pending_.reserve(kBlock);
        return 0;
    }

    zip_int64_t Write(const void* data, zip_uint64_t length) {
        const auto* bytes = static_cast<const char*>(data);
        if (pending_.size() + length > kBlock && !Flush())
            return -1;
        if (length >= kBlock)
            return WriteOut(bytes, length) ? static_cast<zip_int64_t>(length) : -1;
        pending_.insert(pending_.end(), bytes, bytes + length);
        return static_cast<zip_int64_t>(length);
    }

    bool WriteOut(const char* bytes, std::size_t length) {
        while (length > 0) {
            const ssize_t put =
                ::pwrite(targetFile_.get(), bytes, length, static_cast<off_t>(writeAt_));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                Fail(ZIP_ER_WRITE, put < 0 ? errno : EIO);
                return false;
            }
            bytes += put;
            length -= static_cast<std::size_t>(put);
            writeAt_ += static_cast<zip_uint64_t>(put);
            writeEnd_ = std::max(writeEnd_, writeAt_);
        }
        return true;
    }

    bool Flush() {
        const bool done = WriteOut(pending_.data(), pending_.size());
        pending_.clear();
        return done;
    }

    zip_int64_t Commit() {
        if (!Flush())
            return -1;
        if (::ftruncate(targetFile_.get(), static_cast<off_t>(writeEnd_)) != 0)
            return Fail(ZIP_ER_WRITE, errno);
        if (const int err = targetFile_.close())
            return Fail(ZIP_ER_CLOSE, err);
        created_ = false;
        return 0;
    }

    void DropTarget() {
        targetFile_ = FileHandle();
        if (created_)
            ::unlink(target_.c_str());
        created_ = false;
    }

    FileHandle earlier_;
    zip_uint64_t size_;
    time_t modified_;
    std::string target_;
    FileHandle targetFile_;
    bool created_ = false;
    zip_uint64_t readAt_ = 0;
    zip_uint64_t writeAt_ = 0;
    zip_uint64_t writeEnd_ = 0;
    std::vector<char> pending_;
    zip_error_t error_;
};

zip_int64_t CallSource(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    return static_cast<CloneSource*>(state)->Call(data, length, command);
}

}  // namespace

zip_source* CloningZipSource(const std::string& earlier, const std::string& target) {
    FileHandle file(::open(earlier.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!file.valid() || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0 || errno != ENOENT)
        return nullptr;
    auto* state = new CloneSource(std::move(file), static_cast<zip_uint64_t>(st.st_size),
                                  st.st_mtime, target);
    zip_source* source = zip_source_function_create(&CallSource, state, nullptr);
    if (source == nullptr)
        delete state;
    return source;
}

}  // namespace albumon
