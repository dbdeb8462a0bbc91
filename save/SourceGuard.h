// Keeps a save from destroying its own sources: a source that an earlier file of the same save
// would replace before it is read (re-saving an album's picture folder in another order, or with
// an empty thumbnail prefix) is first copied aside, and the save reads the copy.
#pragma once

#include <string>
#include <vector>

#include "EntryPipeline.h"

namespace albumon {

// The files a save writes for one entry, in the order it writes them.
struct EntryTargets {
    std::string Thumbnail;
    std::string Picture;
    std::string Page;  // empty when the entry has no page
};

class SourceGuard {
  public:
    // Points the jobs whose sources would be overwritten before they are read at copies made in
    // folder. Raises EInOutError when a copy cannot be made.
    SourceGuard(std::vector<EntryJob>& jobs, const std::vector<EntryTargets>& targets,
                const std::string& folder);
    // Removes the copies.
    ~SourceGuard();
    SourceGuard(const SourceGuard&) = delete;
    SourceGuard& operator=(const SourceGuard&) = delete;

  private:
    std::vector<std::string> copies_;
};

}  // namespace albumon
