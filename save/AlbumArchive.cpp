// The album's archive, packed through the archive component.
#include "AlbumArchive.h"

#include <sys/stat.h>
#include <unistd.h>

#include "ArchiveCtrls.h"
#include "FileSystem.h"
#include "SaveAlbum.h"
#include "SaveRecord.h"
#include "ScreenSizes.h"

namespace albumon {

namespace {

bool IsPlainFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// True for the archiver's temporary of archive: archive + "." + six letters or digits, or, for
// an archive name too long for that, the shorter name it works under.
bool IsArchiveLeftover(const std::string& name, const std::string& archive) {
    constexpr std::size_t kShortStem = 233;  // 255 less ".albumon-" + 6 digits and ".XXXXXX"
    if (IsReplacementLeftover(name) && name.size() == kShortStem + 15 &&
        archive.size() > kShortStem && archive.compare(0, kShortStem, name, 0, kShortStem) == 0) {
        return true;
    }
    if (name.size() != archive.size() + 7 || name.compare(0, archive.size(), archive) != 0 ||
        name[archive.size()] != '.') {
        return false;
    }
    for (std::size_t i = archive.size() + 1; i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    }
    return true;
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

std::uint8_t PackAlbum(TArchiveControl& archive, const AlbumState& state, const std::string& head) {
    const std::string name = head + ".zip";
    for (const DirEntry& item : ListFolder(state.OutPath)) {
        if (!item.isFolder && IsArchiveLeftover(item.name, name))
            ::unlink((state.OutPath + item.name).c_str());
    }
    archive.SupportArchives = TSupportArchives{TArchiveType::atZip};
    archive.SetArchiveFile(state.OutPath + name);
    const AlbumPacking packing(archive, state.TempPath);
    return archive.PackFiles(state.OutPath, AlbumArchiveNames(state, head));
}

}  // namespace albumon
