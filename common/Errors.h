// Error kinds shared by every subsystem: the base exception and the file errors.
#pragma once

#include <stdexcept>
#include <string>

namespace albumon {

// Base of every error Albumon raises; the message is shown as it stands in the error box.
class Exception : public std::runtime_error {
  public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// An input/output error carrying the platform's error code mapped onto Albumon's code table.
// Given the file it concerns, the message names it after the code's text.
class EInOutError : public Exception {
  public:
    explicit EInOutError(int code, const std::string& path = std::string());
    int ErrorCode() const { return code_; }

  private:
    int code_;
};

// A file that exists (or should) but cannot be opened for reading.
class EFOpenError : public Exception {
  public:
    explicit EFOpenError(const std::string& path);
    // The same message followed by why the file was refused.
    EFOpenError(const std::string& path, const std::string& reason);
};

// A file that cannot be created or replaced.
class EFCreateError : public Exception {
  public:
    explicit EFCreateError(const std::string& path);
};

// The text of an input/output error code ("ファイルが見つかりません" for 2, ...).
std::string InOutErrorText(int code);

// Maps an errno value onto the input/output error codes used in messages.
int ErrorCodeFromErrno(int err);

// Raises EInOutError for the given errno value, naming path when it is given.
[[noreturn]] void RaiseInOutError(int err, const std::string& path = std::string());

// Replaces the first "%s" of a message pattern with the argument.
std::string FormatMessage(const std::string& pattern, const std::string& argument);

}  // namespace albumon
