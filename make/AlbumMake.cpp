// albumon-make's work: the album state built from the inputs, then the shared save.
#include "AlbumMake.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <new>
#include <optional>
#include <ostream>

#include "AlbumReadBack.h"
#include "AlbumReading.h"
#include "AlbumState.h"
#include "Errors.h"
#include "FileSystem.h"
#include "InputList.h"
#include "MakeList.h"
#include "MakePublish.h"
#include "OutputNames.h"
#include "Paths.h"
#include "RepeatedWarnings.h"
#include "SaveAlbum.h"
#include "SaveChecks.h"
#include "SignalCleanup.h"
#include "TemplateFiles.h"
#include "TextFile.h"
#include "metadata/TakenTime.h"
#include "renditions/PictureView.h"

namespace albumon {

namespace {

// A private work folder for note files, removed with its files however the run ends.
class WorkFolder {
  public:
    WorkFolder() {
        const char* base = std::getenv("TMPDIR");
        path_ = std::string(base && *base ? base : "/tmp") + "/albumon-make-XXXXXX";
        if (::mkdtemp(path_.data()) == nullptr)
            RaiseInOutError(errno, path_);
    }
    ~WorkFolder() {
        EmptyWorkFolder(path_);
        ::rmdir(path_.c_str());
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

std::string Absolute(const std::string& path) {
    std::string result = std::filesystem::absolute(path).lexically_normal().string();
    while (result.size() > 1 && result.back() == '/')
        result.pop_back();
    return result;
}

// Applies the inputs and per-entry options in order.
class AlbumBuilder {
  public:
    AlbumBuilder(AlbumState& state, const MakeOptions& options, std::ostream& err)
        : state_(state), options_(options), err_(err) {}

    void Run() {
        for (const MakeStep& step : options_.steps)
            Apply(step);
        for (const auto& [kind, count] : warned_.LeftOut()) {
            err_ << "albumon-make: 警告: " << LeftOutWords(count)
                 << (kind == kNotPicture
                         ? ": 追加できる写真ではありません\n"
                         : ": 入力ファイルの数が上限を超えたため追加されませんでした\n");
        }
        if (options_.head)
            head_ = *options_.head;
    }
    const std::string& Head() const { return head_; }
    // The pictures the inputs added (commentary entries not counted).
    int Pictures() const { return pictures_; }

  private:
    // The kinds of warnings about inputs.
    enum { kNotPicture, kOverCapacity };

    NamingBase Naming() const { return {head_, options_.start}; }

    // Shows a warning about an input unless many of its kind were shown already.
    void Warn(int kind, const std::string& text) {
        if (warned_.Show(kind))
            err_ << "albumon-make: 警告: " << text << "\n";
    }

    void Apply(const MakeStep& step) {
        if (step.kind == MakeStep::Input)
            return AddInput(step.text);
        if (step.kind == MakeStep::Comment)
            return AddComment(step.text);
        if (step.kind == MakeStep::List) {
            for (const MakeStep& listed : ReadMakeList(step.text))
                Apply(listed);
            return;
        }
        if (last_ < 0)
            throw Exception(
                FormatMessage("%s の前の入力では画像が追加されていません", Describe(step)));
        EntryRecord& entry = state_.Entries[last_];
        switch (step.kind) {
            case MakeStep::Rotate:
                entry.Rotation = step.number;
                break;
            case MakeStep::NoteAbove:
            case MakeStep::NoteBelow:
                SetNote(entry, step.text, step.kind == MakeStep::NoteAbove ? npAbove : npBelow);
                break;
            case MakeStep::Name:
                entry.NameMode = nmSpecified;
                entry.OutName = SpecifiedOutName(step.text);
                break;
            case MakeStep::Keep:
                entry.NameMode = nmKeep;
                break;
            default:
                entry.NameMode = nmAuto;
                break;
        }
    }

    static std::string Describe(const MakeStep& step) {
        static const char* kNames[] = {"",       "--rotate", "--note-above", "--note-below",
                                       "--name", "--keep",   "--auto",       "--comment",
                                       "--list"};
        return kNames[step.kind];
    }

    void AddInput(const std::string& input) {
        const std::string path = Absolute(input);
        // A run that may not write (a plan, a dry run) does not read an album a save left half
        // done; any other first finishes or undoes that save.
        const AlbumReading reading(path, !options_.plan && !options_.dryRun);
        if (reading.Incomplete())
            throw Exception(reading.IncompleteText());
        AdditionResult result;
        if (DirectoryExists(path) || AlbumFolderOf(path)) {
            result = AddFolderOrAlbum(state_, path, FolderOrder::ByName, Naming()).Added;
            if (result.HeadText && !options_.head)
                head_ = *result.HeadText;
        } else if (!FileExists(path)) {
            throw EInOutError(2, input);
        } else {
            result = AddFiles(state_, {path}, Naming());
            if (result.Accepted == 0 && result.Refused == 0)
                Warn(kNotPicture, input + " は追加できる写真ではありません");
        }
        for (const std::string& warning : result.Warnings)
            err_ << "albumon-make: 警告: " << warning << "\n";
        if (result.Refused > 0) {
            Warn(kOverCapacity, "入力ファイルは" + std::to_string(kEntryCapacity) + "個までです。" +
                                    input + " の " + std::to_string(result.Refused) +
                                    "個のファイルは追加されませんでした");
        }
        pictures_ += result.Accepted;
        last_ = result.Accepted > 0 ? state_.EntryCount - 1 : -1;
    }

    void AddComment(const std::string& noteFile) {
        int slot = InsertCommentary(state_, last_);
        if (slot < 0) {
            throw Exception("入力ファイルは" + std::to_string(kEntryCapacity) +
                            "個までです。コメントを挿入できません");
        }
        last_ = slot;
        SetNote(state_.Entries[slot], noteFile, npBelow);
    }

    void SetNote(EntryRecord& entry, const std::string& file, std::int32_t position) {
        if (DirectoryExists(file)) {
            throw Exception(FormatMessage("注記に指定した %s はフォルダーです", file) +
                            "（注記の文を書いたテキストファイルを指定してください）");
        }
        WriteTextLines(NoteFilePath(state_, entry), ReadTextLines(file));
        entry.NotePos = position;
    }

    AlbumState& state_;
    const MakeOptions& options_;
    std::ostream& err_;
    std::string head_ = "無題";
    int last_ = -1;
    int pictures_ = 0;
    RepeatedWarnings warned_;
};

void PrepareState(AlbumState& state, const MakeOptions& options, const std::string& defaultTemplate,
                  const std::string& work) {
    state.TempPath = work;
    state.OutPath = WithTrailingSlash(Absolute(options.out.empty() ? "." : options.out));
    state.TemplatePath = options.templateDir.empty()
                             ? defaultTemplate
                             : WithTrailingSlash(Absolute(options.templateDir));
    if (!FileExists(IndexTemplatePath(state.TemplatePath))) {
        throw Exception("テンプレートファイル（Def.htm)がありません");
    }
    state.ThumbPrefix = TrimControls(options.prefix);
    state.ThumbSize = options.thumbSize;
    state.JpegQuality = options.quality;
    state.MakeZip = options.zip;
    state.KeepNameDefault = options.keepNames;
    state.LosslessTurns = options.losslessTurns;
    state.StripLocation = options.stripLocation;
    state.ConvertQuality = options.convertQuality;
    state.DisplaySize = options.displaySize;
    state.PublicUrl = options.publicUrl;
}

// Draws a progress bar on a terminal: [#####     ] k/n.
void DrawProgress(std::ostream& err, int position, int maximum) {
    constexpr int kWidth = 30;
    int done = maximum > 0 ? (position + 1) * kWidth / maximum : kWidth;
    err << "\r[" << std::string(done, '#') << std::string(kWidth - done, ' ') << "] "
        << (maximum > 0 ? position + 1 : 0) << "/" << maximum << std::flush;
}

}  // namespace

int RunMake(const MakeOptions& options, const std::string& defaultTemplate, std::ostream& out,
            std::ostream& err, bool progressBar) {
    bool midLine = false;  // the progress bar's line is not ended yet
    std::optional<Destination> destination;
    try {
        if (!options.publish.empty())
            destination = ParseDestination(options.publish);
    } catch (const std::exception& error) {
        err << "albumon-make: " << error.what() << "\n";
        return 2;
    }
    try {
        WorkFolder work;
        const SignalCleanup cleanup(work.path());
        AlbumState state;
        PrepareState(state, options, defaultTemplate, work.path());
        AlbumBuilder builder(state, options, err);
        builder.Run();
        const std::string head = builder.Head();
        if (options.sort == MakeSort::ByName)
            SortEntries(state);
        else if (options.sort == MakeSort::ByDate)
            ReorderEntries(state, TakenOrder(state, TakenTime));
        RefreshOutputNames(state, {head, options.start});
        if (auto problem = SaveProblem(state, head)) {
            // A plan still shows the entries, the colliding ones marked.
            if (options.plan) {
                for (const std::string& row : PlanRows(state))
                    out << row << "\n";
            }
            err << "albumon-make: " << *problem << "\n";
            return 2;
        }
        // An album none of whose inputs gave a picture would only write an empty index over
        // the album that may be there.
        if (builder.Pictures() == 0)
            throw Exception("追加できる写真がありません");
        if (options.dryRun || options.plan) {
            for (const std::string& row : options.plan ? PlanRows(state) : OutputListRows(state))
                out << row << "\n";
            return 0;
        }
        PictureView view;
        SaveProgress progress;
        SaveOptions save;
        if (options.replace)
            save.ReplaceOthers = [](const std::vector<std::string>&) { return true; };
        save.Rebuild = options.rebuild;
        SaveTally tally;
        save.Tally = &tally;
        if (progressBar && !options.quiet) {
            progress = [&err, &midLine](int position, int maximum) {
                DrawProgress(err, position, maximum);
                midLine = true;
            };
        }
        const std::vector<SaveNotice> notices = SaveAlbum(state, view, head, progress, save);
        if (midLine)
            err << "\n";
        midLine = false;
        for (const std::string& line : NoticeLines(notices))
            err << "albumon-make: 警告: " << line << "\n";
        if (!options.quiet) {
            out << SavedWords(tally) << " — " << state.OutPath << head << ".htm\n";
        }
        return destination ? PublishSaved(*destination, state.OutPath, head, out, err,
                                          options.quiet, progressBar)
                           : 0;
    } catch (const EForeignFiles& refused) {
        err << (midLine ? "\n" : "") << "albumon-make: " << refused.what()
            << "\n置き換えるには --replace を付けてください\n";
        return 2;
    } catch (const std::bad_alloc&) {
        err << (midLine ? "\n" : "") << "albumon-make: メモリが足りないため中止しました\n";
        return 1;
    } catch (const std::exception& error) {
        err << (midLine ? "\n" : "") << "albumon-make: " << error.what() << "\n";
        return 1;
    }
}

}  // namespace albumon
