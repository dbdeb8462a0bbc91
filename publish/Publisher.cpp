// The order of a publish. Every new or changed file is first sent as a temporary beside its
// place, named by its digest, and renamed "ready" once complete, so that a later publish finds
// it and does not send it again; then the next record is written, and only then are the ready
// files renamed into place, the index last. The next record tells a later publish that every
// ready file it names had gone up: one missing had been placed. Where a rename cannot replace a
// file, the old one is moved aside first; a publish begins by putting back what a killed one left
// aside.
#include "Publisher.h"

#include <map>
#include <set>

#include "AlbumFiles.h"
#include "FileSystem.h"

namespace albumon {

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

// The temporaries of a file: while it goes up, and once it is complete.
std::string TempPath(const std::string& path, const std::string& digest, const char* state) {
    return InFolder(FolderOf(path), "." + NameOf(path) + "." + digest.substr(0, 16) + state);
}
constexpr const char* kPart = ".part";
constexpr const char* kReady = ".ready";

std::string AsidePath(const std::string& path) {
    return InFolder(FolderOf(path), "." + NameOf(path) + ".old");
}

class Publish {
  public:
    Publish(Transport& server, const std::string& outFolder, const std::string& head,
            const PublishProgressFn& progress)
        : server_(server),
          outFolder_(outFolder),
          head_(head),
          progress_(progress),
          album_(ReadAlbumFiles(outFolder, head)) {}

    PublishSummary Run() {
        for (const AlbumFile& file : album_) {
            summary_.albumFiles++;
            summary_.albumBytes += file.published.size;
        }
        ListFolders();
        PutBackAside();
        ReadRecords();
        std::vector<const AlbumFile*> changed;
        for (const AlbumFile& file : album_) {
            if (RemoteDigest(file.path) != file.published.digest)
                changed.push_back(&file);
        }
        SendTemporaries(changed);
        PublishedFiles next;
        for (const AlbumFile& file : album_)
            next[file.path] = file.published;
        const std::string nextBytes = FormatRemoteRecord(next);
        Send(nextBytes, NextRecordPath(head_));
        for (const AlbumFile* file : changed)
            Place(TempPath(file->path, file->published.digest, kReady), file->path);
        RemoveLeftovers(next);
        Place(NextRecordPath(head_), RemoteRecordPath(head_));
        return summary_;
    }

  private:
    bool Has(const std::string& path) const {
        auto it = listed_.find(FolderOf(path));
        return it != listed_.end() && it->second.count(NameOf(path)) > 0;
    }
    void Note(const std::string& path, bool present) {
        if (present)
            listed_[FolderOf(path)].insert(NameOf(path));
        else
            listed_[FolderOf(path)].erase(NameOf(path));
    }

    // Lists every folder the album has files in, making those that are missing.
    void ListFolders() {
        std::set<std::string> folders{""};
        for (const AlbumFile& file : album_) {
            for (std::string f = FolderOf(file.path); !f.empty(); f = FolderOf(f))
                folders.insert(f);
        }
        for (const std::string& folder : folders) {  // parents sort before their children
            auto names = server_.List(folder);
            if (!names) {
                server_.Mkdir(folder);
                names.emplace();
            }
            listed_[folder] = std::set<std::string>(names->begin(), names->end());
        }
    }

    // Files a killed publish moved aside: put back where their place is empty, else removed.
    void PutBackAside() {
        std::vector<std::string> paths{RemoteRecordPath(head_)};
        for (const AlbumFile& file : album_)
            paths.push_back(file.path);
        for (const std::string& path : paths) {
            const std::string aside = AsidePath(path);
            if (!Has(aside))
                continue;
            if (Has(path)) {
                server_.Delete(aside);
            } else {
                server_.Rename(aside, path);
                Note(path, true);
            }
            Note(aside, false);
        }
    }

    void ReadRecords() {
        const auto parse = [this](const std::string& path) {
            const auto bytes = Has(path) ? server_.Fetch(path) : std::nullopt;
            const auto files = bytes ? ParseRemoteRecord(*bytes) : std::nullopt;
            return files ? *files : PublishedFiles();
        };
        record_ = parse(RemoteRecordPath(head_));
        next_ = parse(NextRecordPath(head_));
    }

    // What the file in place holds, as far as the records tell; empty when unknown.
    std::string RemoteDigest(const std::string& path) const {
        if (!Has(path))
            return {};
        auto next = next_.find(path);
        if (next != next_.end() && !Has(TempPath(path, next->second.digest, kReady)))
            return next->second.digest;
        auto earlier = record_.find(path);
        return earlier != record_.end() ? earlier->second.digest : std::string();
    }

    void SendTemporaries(const std::vector<const AlbumFile*>& changed) {
        PublishProgress shown;
        shown.fileCount = int(changed.size());
        for (const AlbumFile* file : changed)
            shown.byteCount += file->published.size;
        for (const AlbumFile* file : changed) {
            if (progress_ && !progress_(shown))
                throw EPublishCancelled();
            const std::string& digest = file->published.digest;
            if (!Has(TempPath(file->path, digest, kReady))) {
                std::string bytes;
                if (ReadWholeFile(outFolder_ + file->path, bytes) != 0)
                    throw EFOpenError(outFolder_ + file->path);
                Send(bytes, TempPath(file->path, digest, kPart));
                server_.Rename(TempPath(file->path, digest, kPart),
                               TempPath(file->path, digest, kReady));
                Note(TempPath(file->path, digest, kPart), false);
                Note(TempPath(file->path, digest, kReady), true);
            }
            shown.files++;
            shown.bytes += file->published.size;
        }
        if (progress_)
            progress_(shown);
    }

    void Send(const std::string& bytes, const std::string& path) {
        server_.Put(bytes, path);
        Note(path, true);
        summary_.sentFiles++;
        summary_.sentBytes += bytes.size();
    }

    // Renames from onto to, moving an existing to aside first where renames cannot replace.
    void Place(const std::string& from, const std::string& to) {
        if (server_.RenameReplaces() || !Has(to)) {
            server_.Rename(from, to);
        } else {
            const std::string aside = AsidePath(to);
            server_.Rename(to, aside);
            server_.Rename(from, to);
            server_.Delete(aside);
        }
        Note(from, false);
        Note(to, true);
    }

    // Removes the files the records name that the album no longer has, and temporaries of
    // earlier publishes; never any other file.
    void RemoveLeftovers(const PublishedFiles& next) {
        std::set<std::string> ours;
        for (const PublishedFiles* files : {&record_, &next_})
            for (const auto& [path, file] : *files)
                ours.insert(path);
        for (const std::string& path : ours) {
            if (!next.count(path) && Has(path)) {
                server_.Delete(path);
                Note(path, false);
            }
        }
        for (const AlbumFile& file : album_)
            ours.insert(file.path);
        for (auto& [folder, names] : listed_) {
            for (const std::string& name : std::set<std::string>(names)) {
                if (IsTemporaryOf(name, folder, ours)) {
                    server_.Delete(InFolder(folder, name));
                    names.erase(name);
                }
            }
        }
    }

    // Whether name is a temporary (".NAME.<digest>.part" or ".ready") of one of the paths in
    // folder.
    static bool IsTemporaryOf(const std::string& name, const std::string& folder,
                              const std::set<std::string>& paths) {
        for (const std::string state : {kPart, kReady}) {
            const size_t tail = 1 + 16 + state.size();  // ".<digest><state>"
            if (name.size() > 1 + tail && name[0] == '.' && name.ends_with(state) &&
                paths.count(InFolder(folder, name.substr(1, name.size() - 1 - tail))))
                return true;
        }
        return false;
    }

    Transport& server_;
    const std::string outFolder_;
    const std::string head_;
    const PublishProgressFn& progress_;
    const std::vector<AlbumFile> album_;
    std::map<std::string, std::set<std::string>> listed_;
    PublishedFiles record_;
    PublishedFiles next_;
    PublishSummary summary_;
};

}  // namespace

std::string ProgressWords(const PublishProgress& shown) {
    const auto kilobytes = [](std::uint64_t bytes) {
        return std::to_string((bytes + 1023) / 1024);
    };
    return std::to_string(shown.files) + " / " + std::to_string(shown.fileCount) + " ファイル　" +
           kilobytes(shown.bytes) + " / " + kilobytes(shown.byteCount) + " KB";
}

PublishSummary PublishAlbum(Transport& server, const std::string& outFolder,
                            const std::string& head, const PublishProgressFn& progress) {
    return Publish(server, outFolder, head, progress).Run();
}

}  // namespace albumon
