// Finishing or undoing a killed save before an album is read back.
#include "AlbumReading.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <optional>

#include "AlbumLock.h"
#include "AlbumReadBack.h"
#include "Errors.h"
#include "FileSystem.h"
#include "Paths.h"
#include "SaveRecord.h"
#include "SaveStage.h"

namespace albumon {

namespace {

// The album folder path stands for, when a save's record lies in it.
std::optional<std::string> RecordedAlbum(const std::string& path) {
    std::optional<std::string> album = AlbumFolderOf(path);
    if (!album) {
        std::string folder = FolderPart(path);
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        if (FileNamePart(folder).size() > 6 && folder.ends_with(".files"))
            album = folder;
    }
    struct stat st {};
    if (!album || ::lstat((*album + "/" + kSaveRecordName).c_str(), &st) != 0)
        return std::nullopt;
    return album;
}

std::string IndexOf(const std::string& album) {
    return album.substr(0, album.size() - 6) + ".htm";
}

}  // namespace

AlbumReading::AlbumReading(const std::string& path, bool repair) {
    const std::optional<std::string> album = RecordedAlbum(path);
    if (!album)
        return;
    album_ = *album;
    if (repair) {
        lock_ = std::make_unique<AlbumLock>(album_, IndexOf(album_));
        SaveRecord record(album_);
        RecoverKilledSave(record, album_, FolderPart(album_));
        return;
    }
    shared_ = FileHandle(::open(album_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const bool locked = shared_.valid() && ::flock(shared_.get(), LOCK_SH | LOCK_NB) == 0;
    const std::optional<RecordContents> record = ReadSaveRecord(album_);
    incomplete_ = !locked || (record && !record->stages.empty());
}

AlbumReading::~AlbumReading() = default;

std::string AlbumReading::IncompleteText() const {
    return FormatMessage("アルバム %s は保存の途中のため、読みませんでした", IndexOf(album_)) +
           "（保存が書き込み中か、途中で止まりました。次の保存か読み込みで直ります）";
}

}  // namespace albumon
