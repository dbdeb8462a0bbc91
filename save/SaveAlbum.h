// The save of an album: pictures, thumbnails, note pages, index page and support files, shared
// by the window's "保存" and the command-line save.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "AlbumState.h"
#include "Errors.h"
#include "SaveChecks.h"
#include "SaveOwnership.h"
#include "renditions/OutputPictures.h"

namespace albumon {

class PictureView;
class TArchiveControl;

// Width of the preview panel; it chooses the decode scale thumbnails are sampled from.
constexpr int kPreviewPanelWidth = 244;

// Called with the progress position after each entry (and 0 at the start).
using SaveProgress = std::function<void(int position, int maximum)>;

// What a save did with its pictures: how many it saved, and how many of them it made (decoded and
// wrote) rather than kept as an earlier save of the album left them.
struct SaveTally {
    int Pictures = 0;
    int Made = 0;
    int Decoded = 0;  // entries computed: those kept were not even read
    int Covers = 0;   // link-preview covers made: those kept were not even read
};

// How many threads compute pictures: 0 one per core; 1 none besides the caller, which then
// computes each entry on the view it was given.
struct SaveOptions {
    int Threads = 0;
    // Asked between entries and before the files are put in place; true stops the save with the
    // album as it was (ESaveCancelled).
    std::function<bool()> Cancelled = nullptr;
    // Called once the album is in place and the entries are cleared, with the album still locked
    // and a folder beside the album for work, removed afterwards.
    std::function<void(const std::string& workFolder)> AfterPlaced = nullptr;
    // Asked, with the album locked, about the files the save would replace that are not its own
    // (see ForeignTargets): first those it foresees, before anything is written, then any other
    // before the files are put in place. Without it they are refused (EForeignFiles).
    ReplaceQuestion ReplaceOthers = nullptr;
    // With MakeZip: the archive component that packs the album (one of the save's own when
    // null), and what runs before it packs.
    TArchiveControl* Archive = nullptr;
    std::function<void()> Packing = nullptr;
    // Makes every file again, keeping nothing of an earlier save (see ReuseFiles).
    bool Rebuild = false;
    // Told what the save did with its pictures, when given.
    SaveTally* Tally = nullptr;
};

// A save the user stopped; the album is as it was.
class ESaveCancelled : public Exception {
  public:
    ESaveCancelled();
};

// Something the user is told about one entry, or one support file left out, after the save.
struct SaveNotice {
    std::string SourcePath;  // empty for a notice about the whole album
    PictureNotice Kind = pnNoPreview;
    std::string Why = "";  // for a support file left out: why
    int Count = 0;         // pnLocationKept: how many pictures
};

// "保存しました: N 枚", and when the save kept some of them "（新しく作成 M 枚）" after it.
std::string SavedWords(const SaveTally& tally);

// The line that tells the user of a notice: the file, then what was done with it.
std::string NoticeText(const SaveNotice& notice);

// The files a save of the live entries under head will write, as far as they are known before
// it computes them: each entry's picture, thumbnail and page (with a note), the screen-size
// pictures of its name already there (when the template asks for them), the index page, the
// archive with MakeZip, and the template's support files.
std::vector<std::string> ForeseenFiles(const AlbumState& state, const std::string& head);

// The lines that tell the user of a save's notices, in their order; of each kind only the first
// RepeatedWarnings::kShown, then one line for the rest ("ほか N 件" in place of the file).
std::vector<std::string> NoticeLines(const std::vector<SaveNotice>& notices);

// Writes the album of the live entries under head text head into OutPath, then clears the
// entries; all or nothing. What SaveProblem refuses raises an Exception before anything is
// written (no folder made). The album is then locked (a second save of it raises an
// Exception naming it), what a killed earlier save left is undone, the files in the way that are
// not the save's own are put to options.ReplaceOthers, and every file is written
// under a staged name (see StagedSave): in list order, entry by entry, thumbnail before picture,
// while the pictures of the next entries are computed ahead; then the index page and the support
// files (one left out becomes a notice), then with MakeZip the archive of exactly these files
// (PackStagedAlbum). Unless options.Rebuild, an entry whose files an earlier save made as this
// one would (see OutputReuse) is neither computed nor written but staged as those very files,
// any file that comes out byte for byte as the album's own keeps that file (KeepUnchanged), and
// an album unchanged file for file keeps its archive; the progress counts the entries computed.
// Then all are put in place, the index page and archive last, and
// the files an earlier save wrote into the album folder and this one did not are removed (see
// SaveRecord). A failure or a cancel leaves every file as it was, the record included, and
// keeps the entries; running out of memory is such a failure. Returns, in list order, what the
// user is to be told about single pictures (no preview, a turn not done, a lossless turn
// re-encoded), then about support files left out.
std::vector<SaveNotice> SaveAlbum(AlbumState& state, PictureView& view, const std::string& head,
                                  const SaveProgress& progress, const SaveOptions& options = {});

}  // namespace albumon
