// The save of an album, shared by the window and the command-line save.
#include "SaveAlbum.h"

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <system_error>
#include <thread>

#include "AlbumArchive.h"
#include "AlbumPreviews.h"
#include "ArchiveCtrls.h"
#include "EntryPipeline.h"
#include "Errors.h"
#include "FileSystem.h"
#include "OutputKeys.h"
#include "Paths.h"
#include "RepeatedWarnings.h"
#include "ReuseFiles.h"
#include "SaveChecks.h"
#include "SaveStage.h"
#include "SaveTransaction.h"
#include "ScreenPictures.h"
#include "TemplateFiles.h"
#include "W_html.h"
#include "codecs/JpegImage.h"
#include "renditions/Images.h"
#include "renditions/OutputPictures.h"
#include "renditions/PictureView.h"

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

std::vector<EntryJob> Jobs(const AlbumState& state, const std::vector<int>& screenSides) {
    std::vector<EntryJob> jobs;
    for (int k = 0; k < state.EntryCount; ++k) {
        const EntryRecord& entry = state.Entries[k];
        jobs.push_back({entry.SourcePath,
                        entry.Rotation,
                        kPreviewPanelWidth,
                        state.ThumbSize,
                        state.JpegQuality,
                        {state.LosslessTurns, state.StripLocation, state.ConvertQuality},
                        screenSides});
    }
    return jobs;
}

// Writes one entry's computed files: thumbnail first, then the picture.
void WriteEntryFiles(const EntryResult& result, const std::string& source,
                     const std::string& picture, const std::string& prefix, StagedSave& staged) {
    if (result.ThumbnailError)
        std::rethrow_exception(result.ThumbnailError);
    if (result.Thumbnail)
        SavePictureBytes(staged.Stage(ThumbnailPath(picture, prefix)), *result.Thumbnail);
    if (result.PictureError)
        std::rethrow_exception(result.PictureError);
    SaveOutputPicture(result.Picture, source, staged.Stage(picture));
}

void StopWhenCancelled(const SaveOptions& options) {
    if (options.Cancelled && options.Cancelled())
        throw ESaveCancelled();
}

// Copies the template's support files; those left out become notices.
void CopySupport(const AlbumState& state, const std::string& album, StagedSave& staged,
                 std::vector<SaveNotice>& notices) {
    const SupportCopy copy =
        CopySupportFiles(SupportFolderPath(state.TemplatePath), staged.AlbumStagingFolder());
    for (const std::string& name : copy.copied)
        staged.Stage(album + "/" + name);
    for (const LeftOutFile& file : copy.leftOut)
        notices.push_back({file.path, pnNoPreview, file.why});
}

// What writing the album's files gave: the notices of single files, and the final paths of the
// files of each entry it made (not kept).
struct AlbumWritten {
    std::vector<SaveNotice> notices;
    std::vector<std::vector<std::string>> made;
    int covers = 0;  // link-preview covers made
};

EntryNames NamesOf(const AlbumState& state, const std::string& album, int k) {
    const std::string& outName = state.Entries[k].OutName;
    return {FileNamePart(ThumbnailPath(album + "/" + outName, state.ThumbPrefix)), outName,
            outName};
}

// Stages the files of the entries an earlier save left as this one would make them; the
// KeptEntry of each such entry.
std::vector<std::optional<KeptEntry>> KeepEntries(const AlbumState& state, const std::string& album,
                                                  const std::vector<EntryJob>& jobs,
                                                  const std::vector<std::optional<EntryKeys>>& keys,
                                                  OutputReuse& reuse, StagedSave& staged) {
    std::vector<std::optional<KeptEntry>> kept(jobs.size());
    for (std::size_t k = 0; k < jobs.size(); ++k) {
        if (!keys[k])
            continue;
        const EntryNames names = NamesOf(state, album, static_cast<int>(k));
        std::optional<KeptEntry> found = reuse.Find(jobs[k], *keys[k], names);
        if (found && reuse.Stage(*found, *keys[k], names, found->extra, staged, staged.Record()))
            kept[k] = std::move(found);
    }
    return kept;
}

// Records the keys of an entry's files just made.
void RecordKeys(const EntryResult& result, const EntryKeys& keys, const EntryNames& names,
                bool screensAsked, SaveRecord& record) {
    record.Keyed(names.thumbnail, keys.Thumbnail());
    record.Keyed(names.picture, keys.Picture(), EntryExtra(result, screensAsked));
    for (const ScreenPicture& screen : result.Screens.pictures)
        record.Keyed(
            std::string(kScreenSizeFolder) + "/" + ScreenPictureName(names.outName, screen.side),
            keys.Screen(screen.side));
}

// The final paths of an entry's picture files as made.
std::vector<std::string> MadeFiles(const EntryResult& result, const std::string& album,
                                   const EntryNames& names) {
    std::vector<std::string> files = {album + "/" + names.thumbnail, album + "/" + names.picture};
    for (const ScreenPicture& screen : result.Screens.pictures)
        files.push_back(ScreenFolderPath(album) + "/" +
                        ScreenPictureName(names.outName, screen.side));
    return files;
}

// Writes the files of the album under their staged names: the entries' pictures, thumbnails
// and pages (those an earlier save left as they would be made kept), the index page and the
// support files.
AlbumWritten WriteAlbum(const AlbumState& state, PictureView& view, const std::string& head,
                        const std::string& album, const SaveProgress& progress,
                        const SaveOptions& options, StagedSave& staged) {
    const int count = state.EntryCount;
    const std::string pageTemplate = PageTemplatePath(state.TemplatePath);
    // Screen-size pictures only for a template that asks for them. A page knows those of its
    // own entry and the entries before it.
    std::optional<AlbumPictures> pictures;
    if (TemplateAsksScreenSizes(state.TemplatePath))
        pictures = AlbumPictures{kScreenSizeFolder, std::vector<EntryPicture>(count)};
    const AlbumPictures* known = pictures ? &*pictures : nullptr;
    const std::vector<EntryJob> jobs =
        Jobs(state, pictures ? ScreenSides(state.DisplaySize) : std::vector<int>());
    // The keys are taken before any source is read: a source changed during the save is made
    // again next time.
    std::vector<std::optional<EntryKeys>> keys;
    for (const EntryJob& job : jobs)
        keys.push_back(EntryKeys::Of(job));
    OutputReuse reuse(staged.Record().EarlierFiles(), album);
    const std::vector<std::optional<KeptEntry>> kept =
        options.Rebuild ? std::vector<std::optional<KeptEntry>>(count)
                        : KeepEntries(state, album, jobs, keys, reuse, staged);
    std::vector<EntryJob> work;
    for (int k = 0; k < count; ++k) {
        if (!kept[k])
            work.push_back(jobs[k]);
    }
    const int workers = WorkerCount(options);
    std::unique_ptr<EntryPipeline> pipeline;
    if (workers > 1 && !work.empty()) {
        pipeline = std::make_unique<EntryPipeline>(work, workers, workers * kAheadPerWorker);
        // No worker could start (the system is out of threads): the entries are computed here.
        if (pipeline->Workers() == 0)
            pipeline.reset();
    }
    int located = 0;
    int done = 0;  // entries made so far
    AlbumWritten written;
    std::vector<SaveNotice>& notices = written.notices;
    AlbumPreviews previews(state, head, album, options.Rebuild ? nullptr : &reuse);
    for (int k = 0; k < count; ++k) {
        const EntryRecord& entry = state.Entries[k];
        const std::string picture = album + "/" + entry.OutName;
        const EntryNames names = NamesOf(state, album, k);
        EntryResult result;
        if (kept[k]) {
            result.Screens = kept[k]->size;
            result.HasLocation = kept[k]->hasLocation;
            result.Notices = kept[k]->notices;
        } else {
            result = pipeline ? pipeline->Take(done) : ComputeEntry(view, work[done]);
            WriteEntryFiles(result, jobs[k].SourcePath, picture, state.ThumbPrefix, staged);
            WriteScreenPictures(result.Screens, album, entry.OutName, staged);
            // A stand-in for a shortage of memory or threads is made again next time.
            const bool shortage = std::any_of(
                result.Notices.begin(), result.Notices.end(),
                [](PictureNotice kind) { return kind == pnNoMemory || kind == pnNoThread; });
            if (keys[k] && !shortage)
                RecordKeys(result, *keys[k], names, pictures.has_value(), staged.Record());
            written.made.push_back(MadeFiles(result, album, names));
        }
        located += result.HasLocation ? 1 : 0;
        if (pictures)
            pictures->entries[k] = EntryPictureOf(result.Screens);
        for (PictureNotice kind : result.Notices)
            notices.push_back({entry.SourcePath, kind, {}});
        if (entry.NotePos != npNone)
            ExpandTemplate(state, head, pageTemplate,
                           staged.Stage(ReplaceExtension(picture, ".htm")), k, known,
                           previews.Page(k, staged));
        if (!kept[k] && progress)
            progress(done, static_cast<int>(work.size()));
        done += kept[k] ? 0 : 1;
        StopWhenCancelled(options);
    }
    pipeline.reset();
    if (located > 0)
        notices.push_back({"", pnLocationKept, {}, located});
    const LinkPreview* preview = previews.Index(staged);
    ExpandTemplate(state, head, IndexTemplatePath(state.TemplatePath),
                   staged.Stage(state.OutPath + head + ".htm"), 0, known, preview);
    CopySupport(state, album, staged, notices);
    written.covers = previews.Made();
    return written;
}

// Packs the staged album with the given archive component or one of its own; an album that is
// file for file the one in place keeps its archive as it is, and one that changed takes the
// members that still fit from the archive an earlier save made.
void PackArchive(const AlbumState& state, const std::string& head, const SaveOptions& options,
                 bool unchanged, StagedSave& staged) {
    const std::string zip = state.OutPath + head + ".zip";
    const SavedFiles outside = staged.Record().EarlierOutside();
    const auto saved = outside.find(FileNamePart(zip));
    const bool ours = !options.Rebuild && saved != outside.end() && IsAsSaved(zip, saved->second);
    if (unchanged && ours && staged.Keep(zip, zip) &&
        IsAsSaved(*staged.StagedPath(zip), saved->second)) {
        staged.Record().Kept(saved->first, saved->second, true);
        return;
    }
    if (options.Packing)
        options.Packing();
    std::optional<TArchiveControl> own;
    TArchiveControl& archive = options.Archive ? *options.Archive : own.emplace();
    PackStagedAlbum(archive, state.OutPath, head, staged, ours ? zip : std::string());
}

// How many of the entries made wrote a file anew (not all came out as they were).
int MadeCount(const AlbumWritten& written, const std::set<std::string>& anew) {
    int made = 0;
    for (const std::vector<std::string>& files : written.made) {
        made += std::any_of(files.begin(), files.end(),
                            [&](const std::string& file) { return anew.count(file) != 0; })
                    ? 1
                    : 0;
    }
    return made;
}

// The save once the names are checked: under the album's lock, staged, then put in place.
std::vector<SaveNotice> SaveChecked(AlbumState& state, PictureView& view, const std::string& head,
                                    const SaveProgress& progress, const SaveOptions& options) {
    const std::string album = AlbumFolderPath(state, head);
    SaveTransaction save(album, state.OutPath, state.OutPath + head + ".htm",
                         options.ReplaceOthers);
    save.Claim(ForeseenFiles(state, head));
    AlbumWritten written;
    SaveTally tally{state.EntryCount, 0, 0};
    save.Write([&](StagedSave& staged) {
        written = WriteAlbum(state, view, head, album, progress, options, staged);
        tally.Decoded = static_cast<int>(written.made.size());
        tally.Covers = written.covers;
        StopWhenCancelled(options);
        if (!options.Rebuild)
            tally.Made = MadeCount(written, KeepUnchanged(staged, staged.Record(), album));
        else
            tally.Made = static_cast<int>(written.made.size());
        if (state.MakeZip)
            PackArchive(state, head, options, NothingChanged(staged, staged.Record(), album),
                        staged);
        StopWhenCancelled(options);
    });
    save.Commit();
    ClearAlbum(state);
    save.Close(options.AfterPlaced);
    if (options.Tally)
        *options.Tally = tally;
    return written.notices;
}

}  // namespace

ESaveCancelled::ESaveCancelled()
    : Exception("保存を取り消しました（アルバムは保存前のままです）") {}

std::vector<std::string> ForeseenFiles(const AlbumState& state, const std::string& head) {
    const std::string album = AlbumFolderPath(state, head) + "/";
    std::vector<std::string> files;
    for (int k = 0; k < state.EntryCount; ++k) {
        const EntryRecord& entry = state.Entries[k];
        files.push_back(album + entry.OutName);
        files.push_back(album + state.ThumbPrefix + entry.OutName);
        if (entry.NotePos != npNone)
            files.push_back(album + ReplaceExtension(entry.OutName, ".htm"));
    }
    if (TemplateAsksScreenSizes(state.TemplatePath)) {
        for (const std::string& file : ScreenFilesThere(state, AlbumFolderPath(state, head)))
            files.push_back(file);
    }
    files.push_back(state.OutPath + head + ".htm");
    if (state.MakeZip)
        files.push_back(state.OutPath + head + ".zip");
    for (const std::string& name : SupportFileNames(SupportFolderPath(state.TemplatePath)))
        files.push_back(album + name);
    return files;
}

std::string SavedWords(const SaveTally& tally) {
    std::string words = "保存しました: " + std::to_string(tally.Pictures) + " 枚";
    if (tally.Made < tally.Pictures)
        words += "（新しく作成 " + std::to_string(tally.Made) + " 枚）";
    return words;
}

std::string NoticeText(const SaveNotice& notice) {
    if (!notice.Why.empty()) {
        return notice.SourcePath +
               ": テンプレートの補助ファイルを複製できないため、除いて保存しました（" + notice.Why +
               "）";
    }
    switch (notice.Kind) {
        case pnNoPreview:
            return notice.SourcePath +
                   ": "
                   "画像を読み取れないため、サムネイルを「プレビューなし」にし、元のまま複製しまし"
                   "た";
        case pnLocationKept:
            return FormatMessage("位置情報を含む写真 %s 枚を、位置情報を削除せずに保存しました",
                                 std::to_string(notice.Count));
        case pnTurnFailed:
            return notice.SourcePath + ": 画像を回転できないため、回転せずに複製しました";
        case pnNoPicture:
            return notice.SourcePath +
                   ": 画像を読み取れないため、サムネイルと写真を「プレビューなし」にしました";
        case pnNoMemory:
            return notice.SourcePath +
                   ": メモリが足りないため画像を読み取れず、サムネイルと写真を「プレビューなし」に"
                   "しました";
        case pnNoThread:
            return notice.SourcePath +
                   ": "
                   "画像の読み取りに要るスレッドを起動できないため、サムネイルと写真を「プレビュー"
                   "なし」にしました";
        case pnCut:
            return notice.SourcePath + ": 画像が途中で切れています";
        case pnCorrupt:
            return notice.SourcePath + ": 画像のデータに壊れた所があります";
        case pnMetadataDropped:
            return notice.SourcePath +
                   ": 読み取れないメタデータがあるため、位置情報を残さないよう除いて出力しました";
        default:
            return notice.SourcePath +
                   ": 大きさが無劣化の回転に合わないため、指定の圧縮率で再圧縮しました";
    }
}

std::vector<std::string> NoticeLines(const std::vector<SaveNotice>& notices) {
    // Support files left out form one kind, whatever their reasons.
    const auto kindOf = [](const SaveNotice& notice) {
        return notice.Why.empty() ? static_cast<int>(notice.Kind) : -1;
    };
    RepeatedWarnings shown;
    std::map<int, const SaveNotice*> last;
    std::vector<std::string> lines;
    for (const SaveNotice& notice : notices) {
        if (shown.Show(kindOf(notice)))
            lines.push_back(NoticeText(notice));
        last[kindOf(notice)] = &notice;
    }
    for (const auto& [kind, count] : shown.LeftOut()) {
        SaveNotice summary = *last[kind];
        summary.SourcePath = LeftOutWords(count);
        if (!summary.Why.empty())
            summary.Why = "理由はそれぞれです";
        lines.push_back(NoticeText(summary));
    }
    return lines;
}

std::vector<SaveNotice> SaveAlbum(AlbumState& state, PictureView& view, const std::string& head,
                                  const SaveProgress& progress, const SaveOptions& options) {
    if (auto problem = SaveProblem(state, head))
        throw Exception(*problem);
    if (progress)
        progress(0, state.EntryCount);
    try {
        return SaveChecked(state, view, head, progress, options);
    } catch (const std::bad_alloc&) {
        throw Exception("メモリが足りないため保存できませんでした（アルバムは保存前のままです）");
    } catch (const std::system_error& error) {
        if (error.code() != std::errc::resource_unavailable_try_again)
            throw;
        throw Exception(
            "スレッドを起動できないため保存できませんでした（アルバムは保存前のままです）");
    }
}

}  // namespace albumon
