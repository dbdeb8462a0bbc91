// Which files in the way of a save are its own: what an earlier save of the album wrote and
// nobody changed since. Any other file a save would replace is the user's, and is replaced only
// when the user says so.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Errors.h"
#include "SaveRecord.h"

namespace albumon {

// Asked with the files a save would replace that are not its own (full paths); true replaces
// them.
using ReplaceQuestion = std::function<bool(const std::vector<std::string>& files)>;

// A save refused because it would replace files that are not its own; nothing was replaced.
class EForeignFiles : public Exception {
  public:
    explicit EForeignFiles(std::vector<std::string> files);
    const std::vector<std::string>& Files() const { return files_; }

  private:
    std::vector<std::string> files_;
};

// The lines that name such files, one a line after a line that says what they are.
std::string ForeignFilesText(const std::vector<std::string>& files);

// Among targets (the full paths a save of album, no trailing "/", would write, in the album
// folder or beside it), those that exist and are not the save's own. A file of the album folder
// is its own when record names it and it is still as that save left it (same size and time); the
// index page and the archive beside the album folder are its own when the folder holds a record
// and they are plain files, still as that save left them when the record names them in outside
// (older records do not). A folder in the way is none of these (the save fails on it).
std::vector<std::string> ForeignTargets(const std::vector<std::string>& targets,
                                        const std::string& album,
                                        const std::optional<SavedFiles>& record,
                                        const SavedFiles& outside = {});

}  // namespace albumon
