// The few operations publishing needs of a server, on paths relative to the destination folder.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Errors.h"

namespace albumon {

// A server operation that failed; the message is for the user.
class PublishError : public Exception {
  public:
    using Exception::Exception;
};

class Transport {
  public:
    virtual ~Transport() = default;

    // The names in folder ("" is the destination itself); nothing when there is no such folder.
    virtual std::optional<std::vector<std::string>> List(const std::string& folder) = 0;
    // A small file's bytes; nothing when it is not there.
    virtual std::optional<std::string> Fetch(const std::string& path) = 0;
    // Writes bytes as path, replacing a file of that name.
    virtual void Put(const std::string& bytes, const std::string& path) = 0;
    virtual void Rename(const std::string& from, const std::string& to) = 0;
    virtual void Delete(const std::string& path) = 0;
    virtual void Mkdir(const std::string& folder) = 0;
    // Whether Rename replaces an existing target (FTP servers do; plain SFTP refuses).
    virtual bool RenameReplaces() const = 0;
};

}  // namespace albumon
