// The album's archive, packed through the archive component.
#include "AlbumArchive.h"

#include <sys/stat.h>
#include <unistd.h>

#include "ArchiveCtrls.h"
#include "FileSystem.h"
#include "SaveAlbum.h"
#include "SaveRecord.h"
#include "renditions/ScreenSizes.h"

namespace albumon {

namespace {

bool IsPlainFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The archive's work copy in workFolder: a second name of the existing archive (or a copy where
// the file system has no second names), so that the archiver's temporaries land in the work
// folder and the archive is replaced only once complete. Empty when it cannot be made.
std::string WorkCopy(const std::string& archive, const std::string& workFolder) {
    const std::string work = workFolder + "archive.zip";
    struct stat st {};
    if (::lstat(archive.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return work;
    if (::link(archive.c_str(), work.c_str()) == 0 || CopyFileReplacing(archive, work) == 0)
        return work;
    return {};
}

// Sets the component up for the album's packing and puts it back as it was afterwards.
class AlbumPacking {
  public:
    AlbumPacking(TArchiveControl& archive, const std::string& workFolder)
        : archive_(archive),
          options_(archive.ZipOptions.CompressOptions),
          responseFolder_(archive.ResponseFolder) {
        archive.ZipOptions.CompressOptions.Include(TCompressOption::coFileSync);
        // A long name list goes through a response file: into the work folder, which is writable.
        archive.ResponseFolder = workFolder + "/";
    }
    ~AlbumPacking() {
        archive_.ZipOptions.CompressOptions = options_;
        archive_.ResponseFolder = responseFolder_;
    }
    AlbumPacking(const AlbumPacking&) = delete;
    AlbumPacking& operator=(const AlbumPacking&) = delete;

  private:
    TArchiveControl& archive_;
    TCompressOptions options_;
    std::string responseFolder_;
};

}  // namespace

std::vector<std::string> AlbumArchiveNames(const AlbumState& state, const std::string& head) {
    std::vector<std::string> names{state.OutPath + head + ".htm"};
    const std::string album = AlbumFolderPath(state, head) + "/";
    for (const DirEntry& item : ListFolder(album)) {
        if (item.isFolder || item.name == kSaveRecordName || IsReplacementLeftover(item.name))
            continue;
        if (IsPlainFile(album + item.name))
            names.push_back(album + item.name);
    }
    const std::string screens = album + kScreenSizeFolder + "/";
    for (const DirEntry& item : ListFolder(screens)) {
        if (!item.isFolder && !IsReplacementLeftover(item.name) && IsPlainFile(screens + item.name))
            names.push_back(screens + item.name);
    }
    return names;
}

std::uint8_t PackAlbum(TArchiveControl& archive, const AlbumState& state, const std::string& head,
                       const std::string& workFolder) {
    // An archive that is a link is replaced where the link leads.
    const std::string target = FollowLinks(state.OutPath + head + ".zip");
    const std::string work = WorkCopy(target, workFolder);
    if (work.empty())
        return 1;
    archive.SupportArchives = TSupportArchives{TArchiveType::atZip};
    archive.SetArchiveFile(work);
    const AlbumPacking packing(archive, state.TempPath);
    const std::uint8_t result = archive.PackFiles(state.OutPath, AlbumArchiveNames(state, head));
    if (result != 0)
        return result;
    // An archive left as it was is the same file under both names: nothing to put in place.
    struct stat a {
    }, b{};
    if (::stat(work.c_str(), &a) == 0 && ::stat(target.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
        a.st_ino == b.st_ino)
        return 0;
    return ::rename(work.c_str(), target.c_str()) == 0 ? 0 : 1;
}

}  // namespace albumon
