// The album's archive, packed in the staging area through the archive component.
#include "AlbumArchive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "ArchiveCtrls.h"
#include "Errors.h"
#include "FileSystem.h"
#include "Paths.h"
#include "SaveStage.h"

namespace albumon {

namespace {

// Sets the component up for the album's packing and puts it back as it was afterwards, the
// process's current folder too (the packing makes the view folder current, which goes).
class AlbumPacking {
  public:
    AlbumPacking(TArchiveControl& archive, const std::string& workFolder,
                 const std::string& earlier)
        : archive_(archive),
          options_(archive.ZipOptions.CompressOptions),
          responseFolder_(archive.ResponseFolder),
          reuse_(archive.Api().ReuseArchive),
          current_(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        archive.ZipOptions.CompressOptions.Include(TCompressOption::coFileSync);
        // A long name list goes through a response file: into the work folder, which is writable.
        archive.ResponseFolder = workFolder;
        archive.Api().ReuseArchive = earlier;
    }
    ~AlbumPacking() {
        archive_.ZipOptions.CompressOptions = options_;
        archive_.ResponseFolder = responseFolder_;
        archive_.Api().ReuseArchive = reuse_;
        if (current_.valid())
            (void)::fchdir(current_.get());
    }
    AlbumPacking(const AlbumPacking&) = delete;
    AlbumPacking& operator=(const AlbumPacking&) = delete;

  private:
    TArchiveControl& archive_;
    TCompressOptions options_;
    std::string responseFolder_;
    std::string reuse_;
    FileHandle current_;
};

// Gives the staged file a second name at path in the packing view (a copy where the file system
// has no second names), its folders made first.
void ShowInView(const std::string& staged, const std::string& path) {
    const std::string folder = FolderPart(path);
    if (!DirectoryExists(folder))
        ForceDirectories(folder);
    if (::link(staged.c_str(), path.c_str()) == 0)
        return;
    if (const int err = CopyFileReplacing(staged, path))
        RaiseInOutError(err, path);
}

}  // namespace

void PackStagedAlbum(TArchiveControl& archive, const std::string& outFolder,
                     const std::string& head, StagedSave& staged, const std::string& earlier) {
    const std::string index = outFolder + head + ".htm";
    const std::string album = outFolder + head + ".files/";
    const std::string zip = outFolder + head + ".zip";
    // The files under the names they will have, below a view folder in the work folder.
    const std::string view = staged.WorkFolder() + "view/";
    std::vector<std::string> names;
    for (const StagedFile& file : staged.Files()) {
        if (file.final != index && file.final.rfind(album, 0) != 0)
            continue;
        const std::string path = view + file.final.substr(outFolder.size());
        ShowInView(file.staged, path);
        names.push_back(path);
    }
    const std::string target = staged.Stage(zip);
    archive.SupportArchives = TSupportArchives{TArchiveType::atZip};
    archive.SetArchiveFile(target);
    const AlbumPacking packing(archive, staged.WorkFolder(), earlier);
    if (archive.ArchiveFile() != target || archive.PackFiles(view, names) != kPackDone) {
        ::unlink(target.c_str());
        throw Exception(FormatMessage("圧縮ファイル %s を作成できませんでした", zip));
    }
}

}  // namespace albumon
