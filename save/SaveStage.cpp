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

// The staging areas in the order their files are put in place: the index page last.
constexpr StagingArea kAreas[] = {StagingArea::AlbumFolder, StagingArea::OutputFolder};

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

// Whether two paths name the very same file (links not followed).
bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
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
void UndoFromJournal(const StagingFolders& stages) {
    std::string journal;
    if (stages.album.root.empty() || ReadWholeFile(stages.album.root + kJournal, journal) != 0)
        return;
    std::vector<std::pair<StagingArea, std::string>> items;
    for (std::size_t at = 0; at < journal.size();) {
        const auto end = journal.find('\0', at);
        if (end == std::string::npos || end == at + 1)
            break;
        const StagingArea area =
            journal[at] == 'o' ? StagingArea::OutputFolder : StagingArea::AlbumFolder;
        items.emplace_back(area, journal.substr(at + 1, end - at - 1));
        at = end + 1;
    }
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        const auto& [area, name] = *it;
        const StagingFolder& stage = stages[area];
        if (stage.root.empty() || !IsStagedName(name))
            continue;
        const std::string final = stage.folder + name;
        const std::string old = stage.root + "old/" + name;
        if (Exists(old))
            ::rename(old.c_str(), final.c_str());
        else if (!Exists(stage.root + "new/" + name))
            ::unlink(final.c_str());
    }
}

// Makes the staging folder of the given name in stage's folder, with its parts.
void MakeStagingFolder(StagingFolder& stage, const std::string& name) {
    const std::string root = stage.folder + name;
    MakeFolder(root);
    stage.root = root + "/";
    MakeFolder(stage.root + "new");
    MakeFolder(stage.root + "old");
}

}  // namespace

StagedSave::StagedSave(SaveRecord& record, const std::string& album, const std::string& outFolder)
    : record_(record), stages_{{album + "/", ""}, {outFolder, ""}} {
    const std::string albumName = NewStageName(stages_.album.folder);
    const std::string outputName = NewStageName(stages_.output.folder);
    record.NoteStages({{false, albumName, false}, {true, outputName, false}});
    MakeStagingFolder(stages_.album, albumName);
    MakeStagingFolder(stages_.output, outputName);
    MakeFolder(WorkFolder());
}

StagedSave::~StagedSave() {
    for (StagingArea area : kAreas) {
        if (!stages_[area].root.empty())
            RemoveStageFolder(stages_[area].root);
    }
}

// The staging area and name (in it) of a final path; raises an Exception for a path outside
// both folders.
std::pair<StagingArea, std::string> StagedSave::Place(const std::string& finalPath) const {
    std::string folder = FolderPart(finalPath);
    std::string name = FileNamePart(finalPath);
    // The album's screen-size pictures lie one folder down, staged in a folder of that name.
    const std::string screens = stages_.album.folder + kScreenSizeFolder + "/";
    if (folder == screens) {
        folder = stages_.album.folder;
        name = std::string(kScreenSizeFolder) + "/" + name;
    }
    const StagingArea area =
        folder == stages_.album.folder ? StagingArea::AlbumFolder : StagingArea::OutputFolder;
    if (area == StagingArea::OutputFolder && folder != stages_.output.folder)
        throw Exception("保存先の外のファイルです: " + finalPath);
    return {area, name};
}

std::string StagedSave::Stage(const std::string& finalPath) {
    const auto [area, name] = Place(finalPath);
    if (name.find('/') != std::string::npos) {
        for (const char* part : {"new/", "old/"})
            ::mkdir((stages_.album.root + part + kScreenSizeFolder).c_str(), 0700);
    }
    if (seen_.insert({area, name}).second)
        items_.push_back({area, name});
    if (area == StagingArea::AlbumFolder)
        record_.Wrote(name);
    else
        record_.WroteOutside(name);
    const std::string staged = stages_[area].root + "new/" + name;
    // A file kept under this name before is a second name of the album's own file: the writer
    // gets a fresh one, never that file to write into. (A file written here already, as the
    // support files are before they are staged, stays.)
    struct stat st {};
    if (::lstat(staged.c_str(), &st) == 0 && st.st_nlink > 1)
        ::unlink(staged.c_str());
    return staged;
}

bool StagedSave::Keep(const std::string& existing, const std::string& finalPath) {
    const std::string staged = Stage(finalPath);
    if (::link(existing.c_str(), staged.c_str()) == 0)
        return true;
    // The name stays staged but unwritten: Commit passes over it.
    return false;
}

std::optional<std::string> StagedSave::StagedPath(const std::string& finalPath) const {
    const auto [area, name] = Place(finalPath);
    if (seen_.count({area, name}) == 0)
        return std::nullopt;
    const std::string staged = stages_[area].root + "new/" + name;
    if (!Exists(staged))
        return std::nullopt;
    return staged;
}

std::vector<StagedFile> StagedSave::Files() const {
    std::vector<StagedFile> files;
    for (StagingArea area : kAreas) {
        for (const Item& item : items_) {
            if (item.area == area && Exists(Staged(item, "new/")))
                files.push_back({Final(item), Staged(item, "new/")});
        }
    }
    return files;
}

std::string StagedSave::AlbumStagingFolder() const {
    return stages_.album.root + "new/";
}

std::string StagedSave::WorkFolder() const {
    return stages_.output.root + "work/";
}

std::string StagedSave::Final(const Item& item) const {
    return stages_[item.area].folder + item.name;
}

std::string StagedSave::Staged(const Item& item, const char* part) const {
    return stages_[item.area].root + part + item.name;
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
        bytes += item.area == StagingArea::OutputFolder ? 'o' : 'a';
        bytes += item.name;
        bytes += '\0';
    }
    const std::string path = stages_.album.root + kJournal;
    if (int err = WriteFileAtomically(path, bytes.data(), bytes.size()))
        RaiseInOutError(err, path);
}

void StagedSave::Undo(const std::vector<Done>& done) const {
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
        if (it->same)
            continue;
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
    for (StagingArea area : kAreas) {
        for (const Item& item : items_) {
            if (item.area != area)
                continue;
            const std::string final = Final(item);
            // A file kept where it is (its staged name a second name of it) is not moved: the
            // album keeps the very file, and nobody's file put there meanwhile is moved aside.
            if (SameFile(final, Staged(item, "new/"))) {
                done.push_back({&item, true, true});
                continue;
            }
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
    for (StagingArea area : kAreas) {
        const StagingFolder& stage = stages_[area];
        const std::string staged = stage.root + "new/";
        for (auto at = named.find(staged); !stage.root.empty() && at != std::string::npos;
             at = named.find(staged, at))
            named.replace(at, staged.size(), stage.folder);
    }
    if (named == text)
        return std::nullopt;
    return named;
}

void StagedSave::Revert() noexcept {
    Undo(done_);
    done_.clear();
    // A screen-size folder this save made goes again (one that holds pictures stays).
    ::rmdir((stages_.album.folder + kScreenSizeFolder).c_str());
}

void RecoverKilledSave(SaveRecord& record, const std::string& album, const std::string& outFolder) {
    record.RemoveLeftover();
    const std::vector<StageNote> notes = record.EarlierStages();
    if (notes.empty())
        return;
    StagingFolders stages{{album + "/", ""}, {outFolder, ""}};
    bool placed = true;
    for (const StageNote& note : notes) {
        StagingFolder& stage = note.inOutFolder ? stages.output : stages.album;
        stage.root = stage.folder + note.name + "/";
        placed = placed && note.placed;
    }
    if (!placed)
        UndoFromJournal(stages);
    for (StagingArea area : kAreas) {
        if (!stages[area].root.empty())
            RemoveStageFolder(stages[area].root);
    }
    record.ForgetEarlierStages(placed);
}

}  // namespace albumon
