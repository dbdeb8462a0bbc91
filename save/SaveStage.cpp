// Staging a save's files and putting them in place together.
#include "SaveStage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>

#include "Errors.h"
#include "FileSystem.h"
#include "Paths.h"
#include "renditions/ScreenSizes.h"

namespace albumon {

namespace {

constexpr const char* kJournal = "journal";

// A name for a staging folder that nothing in folder has.
std::string NewStageName(const std::string& folder) {
    std::random_device random;
    for (;;) {
        char name[32];
        std::snprintf(name, sizeof name, ".albumon-save-%08x", random());
        struct stat st {};
        if (::lstat((folder + name).c_str(), &st) != 0)
            return name;
    }
}

void MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0)
        RaiseInOutError(errno, path);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void RemoveStageFolder(const std::string& root) {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

// Whether a name read back from a journal is one a save stages: a file name, or one of the
// album's screen-size pictures in their folder; never a way out of the folder.
bool IsStagedName(const std::string& name) {
    const std::string screens = std::string(kScreenSizeFolder) + "/";
    const std::string file = name.rfind(screens, 0) == 0 ? name.substr(screens.size()) : name;
    return !file.empty() && file != "." && file != ".." && file.find('/') == std::string::npos;
}

// Puts back what a save killed while putting its files in place did, from its journal: a file
// it moved aside goes back, a file it put where none was goes.
void UndoFromJournal(const std::string (&folders)[2], const std::string (&roots)[2]) {
    std::string journal;
    if (roots[0].empty() || ReadWholeFile(roots[0] + kJournal, journal) != 0)
        return;
    std::vector<std::pair<int, std::string>> items;
    for (std::size_t at = 0; at < journal.size();) {
        const auto end = journal.find('\0', at);
        if (end == std::string::npos || end == at + 1)
            break;
        const int stage = journal[at] == 'o' ? 1 : 0;
        items.emplace_back(stage, journal.substr(at + 1, end - at - 1));
        at = end + 1;
    }
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        const auto& [stage, name] = *it;
        if (roots[stage].empty() || !IsStagedName(name))
            continue;
        const std::string final = folders[stage] + name;
        const std::string old = roots[stage] + "old/" + name;
        if (Exists(old))
            ::rename(old.c_str(), final.c_str());
        else if (!Exists(roots[stage] + "new/" + name))
            ::unlink(final.c_str());
    }
}

}  // namespace

StagedSave::StagedSave(SaveRecord& record, const std::string& album, const std::string& outFolder)
    : record_(record), folders_{album + "/", outFolder} {
    std::vector<StageNote> notes;
    for (int stage : {0, 1}) {
        const std::string name = NewStageName(folders_[stage]);
        notes.push_back({stage == 1, name, false});
    }
    record.NoteStages(notes);
    for (int stage : {0, 1}) {
        const std::string root = folders_[stage] + notes[stage].name;
        MakeFolder(root);
        roots_[stage] = root + "/";
        MakeFolder(roots_[stage] + "new");
        MakeFolder(roots_[stage] + "old");
    }
    MakeFolder(WorkFolder());
}

StagedSave::~StagedSave() {
    for (const std::string& root : roots_) {
        if (!root.empty())
            RemoveStageFolder(root);
    }
}

std::string StagedSave::Stage(const std::string& finalPath) {
    std::string folder = FolderPart(finalPath);
    std::string name = FileNamePart(finalPath);
    // The album's screen-size pictures lie one folder down, staged in a folder of that name.
    const std::string screens = folders_[0] + kScreenSizeFolder + "/";
    if (folder == screens) {
        folder = folders_[0];
        name = std::string(kScreenSizeFolder) + "/" + name;
        for (const char* part : {"new/", "old/"})
            ::mkdir((roots_[0] + part + kScreenSizeFolder).c_str(), 0700);
    }
    const int stage = folder == folders_[0] ? 0 : 1;
    if (stage == 1 && folder != folders_[1])
        throw Exception("保存先の外のファイルです: " + finalPath);
    if (seen_.insert({stage, name}).second) {
        items_.push_back({stage, name});
        if (stage == 0)
            record_.Wrote(name);
    }
    return roots_[stage] + "new/" + name;
}

std::string StagedSave::AlbumStagingFolder() const {
    return roots_[0] + "new/";
}

std::string StagedSave::WorkFolder() const {
    return roots_[1] + "work/";
}

std::string StagedSave::Final(const Item& item) const {
    return folders_[item.stage] + item.name;
}

std::string StagedSave::Staged(const Item& item, const char* part) const {
    return roots_[item.stage] + part + item.name;
}

void StagedSave::CheckTargets() const {
    for (const Item& item : items_) {
        const std::string final = Final(item);
        struct stat st {};
        if (::stat(final.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            RaiseInOutError(EISDIR, final);
        // A file its owner made read-only is not replaced, as a plain write would not be (the
        // rename would replace it whatever its permissions, also for root).
        if ((st.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, final.c_str(), W_OK, AT_EACCESS) != 0)
            RaiseInOutError(EACCES, final);
        // A replaced file keeps the permissions it had.
        ::chmod(Staged(item, "new/").c_str(), st.st_mode & 07777);
    }
}

void StagedSave::WriteJournal() const {
    std::string bytes;
    for (const Item& item : items_) {
        bytes += item.stage == 1 ? 'o' : 'a';
        bytes += item.name;
        bytes += '\0';
    }
    const std::string path = roots_[0] + kJournal;
    if (int err = WriteFileAtomically(path, bytes.data(), bytes.size()))
        RaiseInOutError(err, path);
}

void StagedSave::Undo(const std::vector<Done>& done) const {
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
        const std::string final = Final(*it->item);
        ::rename(final.c_str(), Staged(*it->item, "new/").c_str());
        if (it->replaced)
            ::rename(Staged(*it->item, "old/").c_str(), final.c_str());
    }
}

void StagedSave::Commit() {
    // Files that were never written (a template without a page) are not put in place.
    std::erase_if(items_, [this](const Item& item) { return !Exists(Staged(item, "new/")); });
    CheckTargets();
    WriteJournal();
    // The screen-size folder is made when one of its pictures is to be put in place.
    for (const Item& item : items_) {
        if (item.name.find('/') != std::string::npos) {
            const std::string folder = FolderPart(Final(item));
            if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
                RaiseInOutError(errno, folder);
            break;
        }
    }
    std::vector<Done>& done = done_;
    for (int stage : {0, 1}) {
        for (const Item& item : items_) {
            if (item.stage != stage)
                continue;
            const std::string final = Final(item);
            const bool replaced = Exists(final);
            int err = 0;
            if (replaced && ::rename(final.c_str(), Staged(item, "old/").c_str()) != 0) {
                err = errno;
            } else if (::rename(Staged(item, "new/").c_str(), final.c_str()) != 0) {
                err = errno;
                if (replaced)
                    ::rename(Staged(item, "old/").c_str(), final.c_str());
            }
            if (err != 0) {
                Revert();
                RaiseInOutError(err, final);
            }
            done.push_back({&item, replaced});
        }
    }
}

std::optional<std::string> StagedSave::Unstaged(const std::string& text) const {
    std::string named = text;
    for (int stage : {0, 1}) {
        const std::string staged = roots_[stage] + "new/";
        for (auto at = named.find(staged); !roots_[stage].empty() && at != std::string::npos;
             at = named.find(staged, at))
            named.replace(at, staged.size(), folders_[stage]);
    }
    if (named == text)
        return std::nullopt;
    return named;
}

void StagedSave::Revert() noexcept {
    Undo(done_);
    done_.clear();
    // A screen-size folder this save made goes again (one that holds pictures stays).
    ::rmdir((folders_[0] + kScreenSizeFolder).c_str());
}

void RecoverKilledSave(SaveRecord& record, const std::string& album, const std::string& outFolder) {
    const std::vector<StageNote> stages = record.EarlierStages();
    if (stages.empty())
        return;
    const std::string folders[2] = {album + "/", outFolder};
    std::string roots[2];
    bool placed = true;
    for (const StageNote& note : stages) {
        const int stage = note.inOutFolder ? 1 : 0;
        roots[stage] = folders[stage] + note.name + "/";
        placed = placed && note.placed;
    }
    if (!placed)
        UndoFromJournal(folders, roots);
    for (const std::string& root : roots) {
        if (!root.empty())
            RemoveStageFolder(root);
    }
    record.ForgetEarlierStages();
}

}  // namespace albumon
