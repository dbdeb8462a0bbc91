// The archive component: chooses the current archive and packs files into a zip archive by
// building the archiver's command line; a folder watcher reports changes of the archive.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "ArchiveApi.h"
#include "ArchiveNotify.h"

namespace albumon {

// A set of up to eight enumeration values held in one byte, value v as bit v.
template <class E>
class TByteSet {
  public:
    constexpr TByteSet() = default;
    constexpr TByteSet(std::initializer_list<E> items) {
        for (E item : items)
            Include(item);
    }
    static constexpr TByteSet FromBits(std::uint8_t bits) {
        TByteSet set;
        set.bits_ = bits;
        return set;
    }
    constexpr bool Contains(E item) const { return (bits_ & Bit(item)) != 0; }
    constexpr void Include(E item) { bits_ = static_cast<std::uint8_t>(bits_ | Bit(item)); }
    constexpr void Exclude(E item) { bits_ = static_cast<std::uint8_t>(bits_ & ~Bit(item)); }
    constexpr std::uint8_t Bits() const { return bits_; }
    constexpr bool operator==(const TByteSet&) const = default;

  private:
    static constexpr std::uint8_t Bit(E item) {
        return static_cast<std::uint8_t>(1u << static_cast<unsigned>(item));
    }
    std::uint8_t bits_ = 0;
};

enum class TArchiveType : std::uint8_t { atNone, atLha, atCab, atTar, atArj, atRar, atZip };
using TSupportArchives = TByteSet<TArchiveType>;

// coFileSync: entries of files a packing does not name leave the archive.
enum class TCompressOption : std::uint8_t {
    coIncludeHidden,
    coOverWrite,
    coIncludeDir,
    coRecurse,
    coFileSync
};
using TCompressOptions = TByteSet<TCompressOption>;

// The switches of zip creation.
class TZipOptions {
  public:
    TCompressOptions CompressOptions{TCompressOption::coIncludeHidden, TCompressOption::coOverWrite,
                                     TCompressOption::coIncludeDir};
    std::uint8_t CompressLevel() const { return level_; }
    // A level above 9 is stored as 9.
    void SetCompressLevel(unsigned level) {
        level_ = static_cast<std::uint8_t>(level > 9 ? 9 : level);
    }

  private:
    std::uint8_t level_ = 6;
};

// The file list of one packing request.
class TArchiveStrings {
  public:
    explicit TArchiveStrings(std::string responseFile) : responseFile_(std::move(responseFile)) {}

    void Add(std::string name) { names_.push_back(std::move(name)); }
    std::size_t Count() const { return names_.size(); }
    // Entry i; while Quoted is set, in double quotes with any double quote inside doubled.
    std::string Strings(std::size_t i) const;
    const std::string& ResponseFile() const { return responseFile_; }

    std::string BaseDir;  // ends with "/", or empty
    bool Quoted = false;

  private:
    std::vector<std::string> names_;
    std::string responseFile_;
};

enum class TArchiveOperation : std::uint8_t { aoCompress };

// Results of PackFiles and Compress.
inline constexpr std::uint8_t kPackDone = 0;
inline constexpr std::uint8_t kPackBusy = 1;
inline constexpr std::uint8_t kPackFailed = 2;
inline constexpr std::uint8_t kPackNoArchive = 3;

class TArchiveControl {
  public:
    // post runs the watcher's checks on the user-interface thread; without it the watcher
    // reports nothing.
    explicit TArchiveControl(UiDispatcher post = {});
    ~TArchiveControl();
    TArchiveControl(const TArchiveControl&) = delete;
    TArchiveControl& operator=(const TArchiveControl&) = delete;

    const std::string& ArchiveFile() const { return archiveFile_; }
    // Chooses the archive. An existing file is accepted only when it is a readable archive of
    // a kind in SupportArchives; a refused file leaves no archive chosen, so that a later pack
    // cannot go into an archive chosen earlier.
    void SetArchiveFile(const std::string& value);
    TArchiveType ArchiveType() const { return archiveType_; }

    // Packs files (names relative to baseDir, or absolute; a trailing wildcard stands for the
    // matching files of its folder) into the current archive. Makes baseDir the process's
    // current folder (EInOutError when it cannot). Result: kPackDone, kPackBusy, kPackFailed
    // (baseDir missing, archiver failed), kPackNoArchive (no zip archive chosen).
    std::uint8_t PackFiles(const std::string& baseDir, const std::vector<std::string>& files);
    // Runs the archiver on a prepared file list; same results.
    std::uint8_t Compress(TArchiveStrings& files);
    // The archiver's command line for a file list. Lists of more than 240 names are written
    // to the response file in ResponseFolder (EInOutError when that fails).
    std::string ZipCommandLine(TArchiveStrings& files) const;

    // The entry names of the current archive, refreshed after changes when Automatic is set.
    const std::vector<std::string>& Listing() const { return listing_; }
    ArchiveApi& Api() { return api_; }

    TSupportArchives SupportArchives{TArchiveType::atLha, TArchiveType::atCab, TArchiveType::atTar,
                                     TArchiveType::atArj, TArchiveType::atRar, TArchiveType::atZip};
    bool Automatic = true;
    std::string ResponseFile;    // file name; "Response.txt" when empty
    std::string ResponseFolder;  // ends with "/"; the executable's folder unless changed
    TZipOptions ZipOptions;

    std::function<void(TArchiveControl&, TArchiveOperation)> OnStart;
    std::function<void(TArchiveControl&, TArchiveOperation, int result)> OnEnd;
    std::function<void(TArchiveControl&, const std::string& commandLine)> OnCompress;
    std::function<void(TArchiveControl&, const std::string& output)> OnLog;
    std::function<void(TArchiveControl&, const std::string& fileName)> OnInvalid;
    std::function<void(TArchiveControl&)> OnChange;        // ArchiveFile changed
    std::function<void(TArchiveControl&)> OnNotification;  // the watched archive changed

  private:
    bool Busy();
    TArchiveType CheckedKind(const std::string& file);
    void ChangeArchive(const std::string& file, TArchiveType type);
    void RefreshListing();
    void WatchedArchiveChanged();
    std::string Switches() const;
    int RunArchiver(TArchiveStrings& files);

    std::string archiveFile_;
    TArchiveType archiveType_ = TArchiveType::atNone;
    std::vector<std::string> listing_;
    ArchiveApi api_;
    std::unique_ptr<TArchiveNotifyThread> watcher_;
};

}  // namespace albumon
