// Line-oriented text files: reader, writer and the line splitting shared by both.
#include "TextFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "Errors.h"
#include "FileSystem.h"

namespace albumon {

namespace {
constexpr std::size_t kChunk = 64 * 1024;
constexpr char kEndOfFile = 26;
}  // namespace

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.release();
    }
    return *this;
}

FileHandle::~FileHandle() {
    close();
}

int FileHandle::release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

int FileHandle::close() {
    if (fd_ < 0)
        return 0;
    int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
}

bool LineSplitter::Feed(std::string_view bytes, std::vector<std::string>& lines) {
    if (ended_)
        return false;
    for (char c : bytes) {
        if (afterCr_) {
            afterCr_ = false;
            if (c == '\n')
                continue;
        }
        if (c == kEndOfFile) {
            ended_ = true;
            return false;
        }
        if (c == (crLines_ ? '\r' : '\n')) {
            lines.push_back(std::move(current_));
            current_.clear();
            afterCr_ = crLines_;
        } else {
            current_ += c;
        }
    }
    return true;
}

void LineSplitter::Finish(std::vector<std::string>& lines) {
    if (!current_.empty())
        lines.push_back(std::move(current_));
    current_.clear();
    ended_ = true;
}

bool HasCarriageReturn(std::string_view bytes) {
    auto at = bytes.find_first_of("\r\x1a");
    return at != std::string_view::npos && bytes[at] == '\r';
}

TextFileReader::TextFileReader(const std::string& path) : path_(path) {
    if (int err = OpenInputFile(path, kMaxTextFileBytes, file_)) {
        if (IsRefusal(err))
            RaiseRefusal(path, err);
        RaiseInOutError(err, path);
    }
    splitter_ = LineSplitter(FindCarriageReturn());
}

bool TextFileReader::FindCarriageReturn() {
    std::string chunk(kChunk, '\0');
    bool found = false;
    for (std::size_t n = ReadChunk(chunk); n > 0; n = ReadChunk(chunk)) {
        auto at = std::string_view(chunk.data(), n).find_first_of("\r\x1a");
        if (at != std::string_view::npos) {
            found = chunk[at] == '\r';
            break;
        }
    }
    if (::lseek(file_.get(), 0, SEEK_SET) != 0)
        RaiseInOutError(errno, path_);
    read_ = 0;
    return found;
}

// Reads the next chunk; 0 at the end. A file that grows past the bound while read is refused.
std::size_t TextFileReader::ReadChunk(std::string& chunk) {
    for (;;) {
        ssize_t n = ::read(file_.get(), chunk.data(), chunk.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            RaiseInOutError(errno, path_);
        }
        read_ += static_cast<std::uint64_t>(n);
        if (read_ > kMaxTextFileBytes)
            RaiseRefusal(path_, kFileTooLarge);
        return static_cast<std::size_t>(n);
    }
}

void TextFileReader::Fill() {
    pending_.clear();
    next_ = 0;
    std::string chunk(kChunk, '\0');
    while (pending_.empty() && !atEnd_) {
        std::size_t n = ReadChunk(chunk);
        if (n == 0 || !splitter_.Feed(std::string_view(chunk.data(), n), pending_)) {
            splitter_.Finish(pending_);
            atEnd_ = true;
            file_.close();
        }
    }
}

bool TextFileReader::ReadLine(std::string& line) {
    if (next_ >= pending_.size()) {
        if (atEnd_)
            return false;
        Fill();
        if (pending_.empty())
            return false;
    }
    line = std::move(pending_[next_++]);
    return true;
}

TextFileWriter::TextFileWriter(const std::string& path, WriteMode mode) : path_(path) {
    if (mode == WriteMode::Replace) {
        replacement_ = std::make_unique<ReplacementFile>(path);
        if (replacement_->error() != 0)
            RaiseInOutError(replacement_->error(), path_);
        return;
    }
    file_ = FileHandle(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!file_.valid())
        RaiseInOutError(errno, path_);
}

TextFileWriter::~TextFileWriter() = default;

int TextFileWriter::fd() const {
    return replacement_ ? replacement_->fd() : file_.get();
}

void TextFileWriter::Flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        ssize_t n = ::write(fd(), buffer_.data() + done, buffer_.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            RaiseInOutError(errno, path_);
        }
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void TextFileWriter::WriteLine(std::string_view line) {
    buffer_.append(line);
    buffer_.append("\r\n");
    if (buffer_.size() >= kChunk)
        Flush();
}

void TextFileWriter::Close() {
    if (replacement_) {
        Flush();
        int err = replacement_->Commit();
        replacement_.reset();
        if (err != 0)
            RaiseInOutError(err, path_);
        return;
    }
    if (!file_.valid())
        return;
    Flush();
    if (int err = file_.close())
        RaiseInOutError(err, path_);
}

std::vector<std::string> ReadTextLines(const std::string& path) {
    TextFileReader reader(path);
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line))
        lines.push_back(std::move(line));
    return lines;
}

std::vector<std::string> SplitTextLines(std::string_view bytes) {
    LineSplitter splitter(HasCarriageReturn(bytes));
    std::vector<std::string> lines;
    splitter.Feed(bytes, lines);
    splitter.Finish(lines);
    return lines;
}

void WriteTextLines(const std::string& path, const std::vector<std::string>& lines) {
    TextFileWriter writer(path);
    for (const auto& line : lines)
        writer.WriteLine(line);
    writer.Close();
}

}  // namespace albumon
