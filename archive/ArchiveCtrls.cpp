// The archive component: archive choice, zip packing through the archiver's command line.
#include "ArchiveCtrls.h"

#include <unistd.h>

#include <cerrno>

#include "Errors.h"
#include "FileSystem.h"
#include "Paths.h"
#include "TextFile.h"
#include "ZipCommand.h"

namespace albumon {

namespace {

constexpr std::size_t kMostInlineNames = 240;

TArchiveType KindOfExtension(const std::string& file) {
    std::string ext = ExtensionOf(file);
    for (char& c : ext) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    if (ext == ".ZIP")
        return TArchiveType::atZip;
    if (ext == ".LZH" || ext == ".LHA")
        return TArchiveType::atLha;
    if (ext == ".CAB")
        return TArchiveType::atCab;
    if (ext == ".TAR" || ext == ".TGZ" || ext == ".GZ" || ext == ".BZ2")
        return TArchiveType::atTar;
    if (ext == ".ARJ")
        return TArchiveType::atArj;
    if (ext == ".RAR")
        return TArchiveType::atRar;
    return TArchiveType::atNone;
}

// Sets the quoting flag of a list for as long as it lives.
class QuotedScope {
  public:
    explicit QuotedScope(TArchiveStrings& list) : list_(list) { list_.Quoted = true; }
    ~QuotedScope() { list_.Quoted = false; }
    QuotedScope(const QuotedScope&) = delete;
    QuotedScope& operator=(const QuotedScope&) = delete;

  private:
    TArchiveStrings& list_;
};

}  // namespace

std::string TArchiveStrings::Strings(std::size_t i) const {
    return Quoted ? QuoteArgument(names_.at(i)) : names_.at(i);
}

TArchiveControl::TArchiveControl(UiDispatcher post)
    : ResponseFolder(ExecutableFolder()),
      watcher_(std::make_unique<TArchiveNotifyThread>(std::move(post),
                                                      [this] { WatchedArchiveChanged(); })) {}

TArchiveControl::~TArchiveControl() {
    watcher_.reset();
}

bool TArchiveControl::Busy() {
    if (archiveType_ != TArchiveType::atZip)
        return false;
    return api_.UnZipGetRunning() != 0 || api_.ZipGetRunning() != 0;
}

TArchiveType TArchiveControl::CheckedKind(const std::string& file) {
    if (KindOfExtension(file) != TArchiveType::atZip)
        return TArchiveType::atNone;
    return api_.UnZipCheckArchive(file, 1) != 0 ? TArchiveType::atZip : TArchiveType::atNone;
}

void TArchiveControl::ChangeArchive(const std::string& file, TArchiveType type) {
    bool changed = file != archiveFile_;
    archiveFile_ = file;
    archiveType_ = type;
    if (!changed)
        return;
    if (OnChange)
        OnChange(*this);
    watcher_->Point(archiveFile_);
}

void TArchiveControl::SetArchiveFile(const std::string& value) {
    if (value == archiveFile_ || Busy())
        return;
    if (value.empty()) {
        listing_.clear();
        ChangeArchive(value, TArchiveType::atNone);
    } else if (FileExists(value)) {
        TArchiveType kind = CheckedKind(value);
        if (kind != TArchiveType::atNone && SupportArchives.Contains(kind)) {
            ChangeArchive(value, kind);
            if (Automatic)
                RefreshListing();
        } else {
            if (OnInvalid)
                OnInvalid(*this, value);
            listing_.clear();
            ChangeArchive(std::string(), TArchiveType::atNone);
        }
    } else {
        listing_.clear();
        ChangeArchive(value, KindOfExtension(value));
    }
}

void TArchiveControl::RefreshListing() {
    listing_ = archiveType_ == TArchiveType::atZip ? api_.UnZipEntryNames(archiveFile_)
                                                   : std::vector<std::string>();
}

void TArchiveControl::WatchedArchiveChanged() {
    if (Automatic)
        RefreshListing();
    if (OnNotification)
        OnNotification(*this);
}

std::uint8_t TArchiveControl::PackFiles(const std::string& baseDir,
                                        const std::vector<std::string>& files) {
    if (!DirectoryExists(baseDir))
        return kPackFailed;
    if (archiveType_ != TArchiveType::atZip)
        return kPackNoArchive;
    TArchiveStrings list(ResponseFile);
    if (::chdir(baseDir.c_str()) != 0)
        RaiseInOutError(errno, baseDir);
    list.BaseDir = WithTrailingSlash(baseDir);
    for (const auto& file : files)
        list.Add(file);
    return Compress(list);
}

std::string TArchiveControl::Switches() const {
    const TCompressOptions& options = ZipOptions.CompressOptions;
    std::string switches;
    if (!options.Contains(TCompressOption::coIncludeDir))
        switches += "-j ";
    if (!options.Contains(TCompressOption::coOverWrite))
        switches += "-u ";
    if (options.Contains(TCompressOption::coIncludeHidden))
        switches += "-S ";
    if (options.Contains(TCompressOption::coRecurse))
        switches += "-r ";
    if (options.Contains(TCompressOption::coFileSync))
        switches += "-FS ";
    return switches + "-" + std::to_string(ZipOptions.CompressLevel()) + " ";
}

std::string TArchiveControl::ZipCommandLine(TArchiveStrings& files) const {
    std::string line = Switches() + QuoteArgument(archiveFile_) + " ";
    if (!files.BaseDir.empty())
        line += QuoteArgument(files.BaseDir) + " ";
    QuotedScope quoted(files);
    if (files.Count() <= kMostInlineNames) {
        for (std::size_t i = 0; i < files.Count(); ++i)
            line += files.Strings(i) + " ";
        return line;
    }
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < files.Count(); ++i)
        lines.push_back(files.Strings(i));
    std::string name = files.ResponseFile().empty() ? "Response.txt" : files.ResponseFile();
    std::string responsePath = ResponseFolder + name;
    WriteTextLines(responsePath, lines);
    return line + QuoteArgument("@" + responsePath);
}

int TArchiveControl::RunArchiver(TArchiveStrings& files) {
    std::string commandLine = ZipCommandLine(files);
    if (OnCompress)
        OnCompress(*this, commandLine);
    if (!OnLog)
        return api_.Zip(commandLine);
    std::string output;
    int result = api_.Zip(commandLine, &output);
    OnLog(*this, output);
    return result;
}

std::uint8_t TArchiveControl::Compress(TArchiveStrings& files) {
    if (Busy())
        return kPackBusy;
    if (archiveType_ != TArchiveType::atZip)
        return kPackNoArchive;
    watcher_->Point(std::string());
    int result = -1;
    try {
        if (OnStart)
            OnStart(*this, TArchiveOperation::aoCompress);
        result = RunArchiver(files);
        if (Automatic && result == 0)
            RefreshListing();
    } catch (...) {
        watcher_->Point(archiveFile_);
        if (OnEnd)
            OnEnd(*this, TArchiveOperation::aoCompress, result);
        throw;
    }
    watcher_->Point(archiveFile_);
    if (OnEnd)
        OnEnd(*this, TArchiveOperation::aoCompress, result);
    return result == 0 ? kPackDone : kPackFailed;
}

}  // namespace albumon
