// Line-oriented text files as Albumon reads and writes them: a line ends at CR or CR LF (a lone
// LF is an ordinary character), except in a file without any CR (made on Linux), where LF ends
// lines; byte 26 ends the file, every line written ends with CR LF, and bytes pass through
// unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace albumon {

// Owns one open file descriptor.
class FileHandle {
  public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    FileHandle(FileHandle&& other) noexcept : fd_(other.release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle();

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();
    // Closes the descriptor; returns the errno of a failed close, 0 on success.
    int close();

  private:
    int fd_ = -1;
};

// Splits bytes into lines by Albumon's rules; fed in pieces, it keeps a CR across pieces.
class LineSplitter {
  public:
    // crLines: lines end at CR or CR LF; else at LF, for text that holds no CR.
    explicit LineSplitter(bool crLines = true) : crLines_(crLines) {}
    // Feeds bytes; complete lines are appended to lines. Returns false once byte 26 was seen.
    bool Feed(std::string_view bytes, std::vector<std::string>& lines);
    // Ends the input: a last line without an end is still a line.
    void Finish(std::vector<std::string>& lines);

  private:
    std::string current_;
    bool crLines_;
    bool afterCr_ = false;
    bool ended_ = false;
};

// True when bytes hold a CR before their end (byte 26 or the last byte): then CR ends lines.
bool HasCarriageReturn(std::string_view bytes);

// Reads a text file line by line. Open and read failures raise EInOutError; a fifo, device or
// socket (never waited on) or a file beyond kMaxTextFileBytes raises EFOpenError naming it.
class TextFileReader {
  public:
    explicit TextFileReader(const std::string& path);
    // The next line into line; false at the end of the file.
    bool ReadLine(std::string& line);

  private:
    // Reads up to the first CR or the end of the text: whether CR ends lines.
    bool FindCarriageReturn();
    std::size_t ReadChunk(std::string& chunk);
    void Fill();

    std::string path_;
    FileHandle file_;
    std::uint64_t read_ = 0;
    LineSplitter splitter_;
    std::vector<std::string> pending_;
    std::size_t next_ = 0;
    bool atEnd_ = false;
};

class ReplacementFile;

// How a text file replaces a file of its name: at once (truncated when opened), or only once
// complete (written beside it and renamed over it at Close, so a failure leaves the old file).
enum class WriteMode { Truncate, Replace };

// Writes a text file line by line, replacing any file of that name. Failures raise EInOutError
// naming the file.
class TextFileWriter {
  public:
    explicit TextFileWriter(const std::string& path, WriteMode mode = WriteMode::Truncate);
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Writes the bytes of line followed by CR LF.
    void WriteLine(std::string_view line);
    // Writes out what is buffered and closes the file; a failure raises EInOutError.
    void Close();

  private:
    void Flush();
    int fd() const;

    std::string path_;
    FileHandle file_;
    std::unique_ptr<ReplacementFile> replacement_;
    std::string buffer_;
};

// Every line of a text file (EInOutError when it cannot be read).
std::vector<std::string> ReadTextLines(const std::string& path);

// Splits bytes held in memory into lines by the same rules.
std::vector<std::string> SplitTextLines(std::string_view bytes);

// Writes lines to a text file, each ended by CR LF, replacing any file of that name.
void WriteTextLines(const std::string& path, const std::vector<std::string>& lines);

}  // namespace albumon
