// The save of an album, shared by the window and the command-line save.
#include "SaveAlbum.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <set>
#include <thread>

#include "EntryPipeline.h"
#include "Errors.h"
#include "FileSystem.h"
#include "Images.h"
#include "JpegImage.h"
#include "Paths.h"
#include "PictureView.h"
#include "SaveRecord.h"
#include "SourceGuard.h"
#include "TemplateFiles.h"
#include "W_html.h"

namespace albumon {

namespace {

// Entries computed ahead per worker: enough to keep every core busy while the writer waits for
// a turned picture (which costs about four thumbnails), few enough to bound memory: a waiting
// result holds only encoded bytes.
constexpr int kAheadPerWorker = 6;

int WorkerCount(const SaveOptions& options) {
    if (options.Threads > 0)
        return options.Threads;
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

std::vector<EntryTargets> Targets(const AlbumState& state, const std::string& album) {
    std::vector<EntryTargets> targets;
    for (int k = 0; k < state.EntryCount; ++k) {
        const EntryRecord& entry = state.Entries[k];
        const std::string picture = album + "/" + entry.OutName;
        targets.push_back({ThumbnailPath(picture, state.ThumbPrefix), picture,
                           entry.NotePos != npNone ? ReplaceExtension(picture, ".htm") : ""});
    }
    return targets;
}

std::vector<EntryJob> Jobs(const AlbumState& state) {
    std::vector<EntryJob> jobs;
    for (int k = 0; k < state.EntryCount; ++k) {
        const EntryRecord& entry = state.Entries[k];
        jobs.push_back({entry.SourcePath,
                        entry.Rotation,
                        kPreviewPanelWidth,
                        state.ThumbSize,
                        state.JpegQuality,
                        {state.LosslessTurns, state.StripLocation}});
    }
    return jobs;
}

// Writes one entry's computed files: thumbnail first, then the picture.
void WriteEntryFiles(const EntryResult& result, const std::string& source,
                     const std::string& picture, const std::string& prefix, SaveRecord& record) {
    if (result.ThumbnailError)
        std::rethrow_exception(result.ThumbnailError);
    if (result.Thumbnail) {
        const std::string thumbnail = ThumbnailPath(picture, prefix);
        SavePictureBytes(thumbnail, *result.Thumbnail);
        record.Wrote(FileNamePart(thumbnail));
    }
    if (result.PictureError)
        std::rethrow_exception(result.PictureError);
    SaveOutputPicture(result.Picture, source, picture);
    record.Wrote(FileNamePart(picture));
}

// Removes the page an earlier save left under the name of an entry that now has no note: the
// picture of that name is another one now, and opening the folder again would give it the old
// note. A page this save wrote itself stays.
void RemoveStalePage(const std::string& page, const std::set<std::string>& written) {
    if (written.count(page) != 0 || !FileExists(page))
        return;
    if (::unlink(page.c_str()) != 0 && errno != ENOENT)
        RaiseInOutError(errno, page);
}

// Removes the temporaries a killed earlier save of this album left: any in the album folder,
// and the index page's in the output folder.
void RemoveLeftovers(const std::string& album, const std::string& outPath,
                     const std::string& index) {
    for (const DirEntry& item : ListFolder(album)) {
        if (!item.isFolder && IsReplacementLeftover(item.name))
            ::unlink((album + "/" + item.name).c_str());
    }
    for (const DirEntry& item : ListFolder(outPath)) {
        if (!item.isFolder && IsReplacementLeftoverOf(item.name, index))
            ::unlink((outPath + item.name).c_str());
    }
}

// Writes the files of the album: the entries' pictures, thumbnails and pages, the index page
// and the support files, each noted in the record. Returns the notices of single pictures.
std::vector<SaveNotice> WriteAlbum(const AlbumState& state, PictureView& view,
                                   const std::string& head, const std::string& album,
                                   const SaveProgress& progress, const SaveOptions& options,
                                   SaveRecord& record) {
    const int count = state.EntryCount;
    const std::string pageTemplate = PageTemplatePath(state.TemplatePath);
    std::vector<EntryJob> jobs = Jobs(state);
    const SourceGuard guard(jobs, Targets(state, album), state.TempPath);
    const int workers = WorkerCount(options);
    std::unique_ptr<EntryPipeline> pipeline;
    if (workers > 1 && count > 0) {
        pipeline = std::make_unique<EntryPipeline>(jobs, workers, workers * kAheadPerWorker);
        // No worker could start (the system is out of threads): the entries are computed here.
        if (pipeline->Workers() == 0)
            pipeline.reset();
    }
    std::set<std::string> pages;
    std::vector<SaveNotice> notices;
    for (int k = 0; k < count; ++k) {
        const EntryRecord& entry = state.Entries[k];
        const std::string picture = album + "/" + entry.OutName;
        EntryResult result = pipeline ? pipeline->Take(k) : ComputeEntry(view, jobs[k]);
        WriteEntryFiles(result, jobs[k].SourcePath, picture, state.ThumbPrefix, record);
        for (PictureNotice kind : result.Notices)
            notices.push_back({entry.SourcePath, kind});
        const std::string page = ReplaceExtension(picture, ".htm");
        if (entry.NotePos != npNone) {
            ExpandTemplate(state, head, pageTemplate, page, k);
            pages.insert(page);
            record.Wrote(FileNamePart(page));
        } else {
            RemoveStalePage(page, pages);
        }
        if (progress)
            progress(k, count);
    }
    pipeline.reset();
    ExpandTemplate(state, head, IndexTemplatePath(state.TemplatePath),
                   state.OutPath + head + ".htm", 0);
    for (const std::string& name :
         CopySupportFiles(SupportFolderPath(state.TemplatePath), album + "/"))
        record.Wrote(name);
    return notices;
}

}  // namespace

std::string NoticeText(const SaveNotice& notice) {
    switch (notice.Kind) {
        case pnNoPreview:
            return notice.SourcePath +
                   ": "
                   "画像を読み取れないため、サムネイルを「プレビューなし」にし、元のまま複製しまし"
                   "た";
        case pnTurnFailed:
            return notice.SourcePath + ": 画像を回転できないため、回転せずに複製しました";
        case pnMetadataDropped:
            return notice.SourcePath +
                   ": 読み取れないメタデータがあるため、位置情報を残さないよう除いて出力しました";
        default:
            return notice.SourcePath +
                   ": 大きさが無劣化の回転に合わないため、指定の圧縮率で再圧縮しました";
    }
}

std::string AlbumFolderPath(const AlbumState& state, const std::string& head) {
    return state.OutPath + head + ".files";
}

std::optional<std::string> OutputNameProblem(const AlbumState& state, const std::string& head) {
    const auto leadsOut = [](const std::string& name) {
        return name == "." || name == ".." || name.find('/') != std::string::npos;
    };
    constexpr const char* kWhy = "（「/」を含む名前と「.」「..」は使えません）";
    if (leadsOut(head))
        return FormatMessage("先頭固定部「%s」はファイル名に使えません", head) + kWhy;
    if (state.ThumbPrefix.find('/') != std::string::npos)
        return FormatMessage("サムネイルの先頭文字「%s」はファイル名に使えません",
                             state.ThumbPrefix) +
               kWhy;
    for (int k = 0; k < state.EntryCount; ++k) {
        const std::string& name = state.Entries[k].OutName;
        if (name.empty() || leadsOut(name))
            return FormatMessage("出力ファイル名「%s」は使えません", name) + kWhy;
    }
    return std::nullopt;
}

std::vector<SaveNotice> SaveAlbum(AlbumState& state, PictureView& view, const std::string& head,
                                  const SaveProgress& progress, const SaveOptions& options) {
    if (auto problem = OutputNameProblem(state, head))
        throw Exception(*problem);
    const int count = state.EntryCount;
    if (progress)
        progress(0, count);
    const std::string album = AlbumFolderPath(state, head);
    if (!DirectoryExists(album))
        ForceDirectories(album);
    RemoveLeftovers(album, state.OutPath, head + ".htm");
    SaveRecord record(album);
    std::vector<SaveNotice> notices;
    try {
        notices = WriteAlbum(state, view, head, album, progress, options, record);
    } catch (...) {
        record.KeepPartial();
        throw;
    }
    record.Finish();
    ClearAlbum(state);
    return notices;
}

}  // namespace albumon
