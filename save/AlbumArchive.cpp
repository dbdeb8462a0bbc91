// The album's archive, packed in the staging area through the archive component.
#include "AlbumArchive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>

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
                 const std::string& earlier, KnownCrcs known)
        : archive_(archive),
          options_(archive.ZipOptions.CompressOptions),
          responseFolder_(archive.ResponseFolder),
          reuse_(archive.Api().ReuseArchive),
          known_(archive.Api().KnownFileCrcs),
          current_(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        archive.ZipOptions.CompressOptions.Include(TCompressOption::coFileSync);
        // A long name list goes through a response file: into the work folder, which is writable.
        archive.ResponseFolder = workFolder;
        archive.Api().ReuseArchive = earlier;
        archive.Api().KnownFileCrcs = std::move(known);
    }
    ~AlbumPacking() {
        archive_.ZipOptions.CompressOptions = options_;
        archive_.ResponseFolder = responseFolder_;
        archive_.Api().ReuseArchive = reuse_;
        archive_.Api().KnownFileCrcs = known_;
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
    KnownCrcs known_;
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

// Whether the file is a page, script or other text that any change to the album can remake, as
// opposed to a picture, which changes only with its own entry.
bool RemadeOften(const std::string& path) {
    static const std::set<std::string> kText = {".htm", ".html", ".js", ".css", ".txt", ".json"};
    const auto dot = path.rfind('.');
    return dot != std::string::npos && path.find('/', dot) == std::string::npos &&
           kText.count(AsciiLower(path.substr(dot))) != 0;
}

// The CRC-32s the earlier save took of the files of the album folder (below album, the folder's
// name in the zip), each with the size and time the file had then.
KnownCrcs EarlierCrcs(const SaveRecord& record, const std::string& album) {
    KnownCrcs known;
    for (const auto& [name, stamp] : record.EarlierFiles()) {
        if (stamp.crc && stamp.modifiedNs)
            known[album + name] = KnownCrc{stamp.size, *stamp.modifiedNs, *stamp.crc};
    }
    return known;
}

// Records the CRC-32 the zip holds of each file of the album folder.
void RecordCrcs(ArchiveApi& api, const std::string& zip, const std::string& album,
                SaveRecord& record) {
    for (const auto& [entry, crc] : api.UnZipEntryCrcs(zip)) {
        if (entry.rfind(album, 0) == 0)
            record.Packed(entry.substr(album.size()), crc);
    }
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
    // The pictures first: a zip made again from this one then copies its unchanged start (the
    // pictures that stayed) as it is, and writes only the members from the first change on.
    std::stable_partition(names.begin(), names.end(),
                          [](const std::string& name) { return !RemadeOften(name); });
    const std::string target = staged.Stage(zip);
    archive.SupportArchives = TSupportArchives{TArchiveType::atZip};
    archive.SetArchiveFile(target);
    const std::string inZip = FileNamePart(album.substr(0, album.size() - 1)) + "/";
    const AlbumPacking packing(archive, staged.WorkFolder(), earlier,
                               EarlierCrcs(staged.Record(), inZip));
    if (archive.ArchiveFile() != target || archive.PackFiles(view, names) != kPackDone) {
        ::unlink(target.c_str());
        throw Exception(FormatMessage("圧縮ファイル %s を作成できませんでした", zip));
    }
    RecordCrcs(archive.Api(), target, inZip, staged.Record());
}

}  // namespace albumon
