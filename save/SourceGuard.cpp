// Copies aside the sources a save would overwrite before reading them.
#include "SourceGuard.h"

#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <utility>

#include "Errors.h"
#include "FileSystem.h"

namespace albumon {

namespace {

using FileId = std::pair<dev_t, ino_t>;

bool IdOf(const std::string& path, FileId& id) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

// The write step at which each existing file is first replaced: entry k writes its thumbnail at
// step 3k, its picture at 3k + 1 and its page at 3k + 2.
std::map<FileId, int> FirstWrites(const std::vector<EntryTargets>& targets) {
    std::map<FileId, int> first;
    for (int k = 0; k < static_cast<int>(targets.size()); ++k) {
        const std::string* files[] = {&targets[k].Thumbnail, &targets[k].Picture, &targets[k].Page};
        for (int step = 0; step < 3; ++step) {
            FileId id;
            if (!files[step]->empty() && IdOf(*files[step], id))
                first.emplace(id, 3 * k + step);
        }
    }
    return first;
}

}  // namespace

SourceGuard::SourceGuard(std::vector<EntryJob>& jobs, const std::vector<EntryTargets>& targets,
                         const std::string& folder) {
    const std::map<FileId, int> first = FirstWrites(targets);
    for (int j = 0; j < static_cast<int>(jobs.size()); ++j) {
        FileId id;
        if (!IdOf(jobs[j].SourcePath, id))
            continue;
        auto write = first.find(id);
        // The source is read when its own picture is written (step 3j + 1), and by workers before
        // that; the picture replacing its own source, and later writes, come after every read.
        if (write == first.end() || write->second >= 3 * j + 1)
            continue;
        std::string copy = folder + "/Source" + std::to_string(j) + ".jpg";
        if (int err = CopyFileReplacing(jobs[j].SourcePath, copy))
            RaiseInOutError(err, copy);
        copies_.push_back(copy);
        jobs[j].SourcePath = copy;
    }
}

SourceGuard::~SourceGuard() {
    for (const std::string& copy : copies_)
        ::unlink(copy.c_str());
}

}  // namespace albumon
