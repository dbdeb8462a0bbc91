// The hidden record of the files a save wrote into its album folder.
#include "SaveRecord.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string_view>

#include "Errors.h"
#include "FileSystem.h"
#include "renditions/ScreenSizes.h"

namespace albumon {

namespace {

// Records of the first version know no keys and nothing outside the album folder.
constexpr std::string_view kHeader = "Albumon saved files 2\n";
constexpr std::string_view kFirstHeader = "Albumon saved files 1\n";
// A record larger than this is none Albumon wrote.
constexpr std::uint64_t kLargestRecord = 16 << 20;
// Items naming a staging folder: being staged into, or placed; in the album folder or the
// output folder.
constexpr std::string_view kStageMarks[2][2] = {{"+a ", "+o "}, {"=a ", "=o "}};

// The stamp of a plain file (not a link), or nothing.
std::optional<FileStamp> PlainFileStamp(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    FileStamp stamp;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modifiedNs = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

// Whether a file is still as the save left it: a user's edit changes its time even when it
// keeps the size.
bool AsSaved(const std::optional<FileStamp>& now, const FileStamp& saved) {
    return now && now->size == saved.size &&
           (!saved.modifiedNs || now->modifiedNs == saved.modifiedNs);
}

bool PlainName(std::string_view name) {
    // The screen-size pictures lie in their own folder of the album folder.
    const std::string_view folder = std::string_view(kScreenSizeFolder);
    if (name.size() > folder.size() && name.substr(0, folder.size()) == folder &&
        name[folder.size()] == '/')
        name.remove_prefix(folder.size() + 1);
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name != kSaveRecordName;
}

bool ParseStage(std::string_view item, RecordContents& record) {
    for (int placed = 0; placed < 2; ++placed) {
        for (int out = 0; out < 2; ++out) {
            const std::string_view mark = kStageMarks[placed][out];
            if (item.substr(0, mark.size()) != mark)
                continue;
            const std::string_view name = item.substr(mark.size());
            if (!PlainName(name))
                return false;
            record.stages.push_back({out == 1, std::string(name), placed == 1});
            return true;
        }
    }
    return false;
}

// "size" or "size:time" of a record's item, then "/crc" (hexadecimal) when the file was packed
// in the album's zip, then "#key#extra" when it has a key.
std::optional<FileStamp> ParseStamp(std::string_view text) {
    FileStamp stamp;
    if (const auto mark = text.find('#'); mark != std::string_view::npos) {
        const std::string_view keyed = text.substr(mark + 1);
        const auto second = keyed.find('#');
        if (second == std::string_view::npos)
            return std::nullopt;
        stamp.key = keyed.substr(0, second);
        stamp.extra = keyed.substr(second + 1);
        text = text.substr(0, mark);
    }
    const char* last = text.data() + text.size();
    std::from_chars_result read = std::from_chars(text.data(), last, stamp.size);
    if (read.ec == std::errc() && read.ptr != last && *read.ptr == ':') {
        std::int64_t time = 0;
        read = std::from_chars(read.ptr + 1, last, time);
        stamp.modifiedNs = time;
    }
    if (read.ec == std::errc() && read.ptr != last && *read.ptr == '/') {
        std::uint32_t crc = 0;
        read = std::from_chars(read.ptr + 1, last, crc, 16);
        stamp.crc = crc;
    }
    if (read.ec != std::errc() || read.ptr != last)
        return std::nullopt;
    return stamp;
}

// One "size:time name" (or, from older records, "size name") item of the record, the same
// after "-" for a file still to be removed, or a staging folder's; false when it is malformed.
bool ParseItem(std::string_view item, RecordContents& record) {
    if (!item.empty() && (item[0] == '+' || item[0] == '='))
        return ParseStage(item, record);
    const bool leaving = !item.empty() && item[0] == '-';
    const bool outside = !item.empty() && item[0] == '^';
    SavedFiles& files = leaving ? record.leaving : outside ? record.outside : record.files;
    if (leaving || outside)
        item.remove_prefix(1);
    const auto space = item.find(' ');
    if (space == std::string_view::npos)
        return false;
    const std::optional<FileStamp> stamp = ParseStamp(item.substr(0, space));
    const std::string_view name = item.substr(space + 1);
    if (!stamp || !PlainName(name) || (outside && name.find('/') != std::string_view::npos))
        return false;
    files[std::string(name)] = *stamp;
    return true;
}

std::optional<RecordContents> ParseRecord(const std::string& bytes) {
    if (bytes.compare(0, kHeader.size(), kHeader) != 0 &&
        bytes.compare(0, kFirstHeader.size(), kFirstHeader) != 0)
        return std::nullopt;
    // Items end with a NUL byte: a file name may hold any other byte.
    RecordContents record;
    for (std::size_t at = kHeader.size(); at < bytes.size();) {
        const auto end = bytes.find('\0', at);
        if (end == std::string::npos ||
            !ParseItem(std::string_view(bytes).substr(at, end - at), record))
            return std::nullopt;
        at = end + 1;
    }
    return record;
}

std::optional<std::string> RecordBytes(const std::string& album) {
    const std::string path = album + "/" + kSaveRecordName;
    const auto stamp = PlainFileStamp(path);
    std::string bytes;
    if (!stamp || stamp->size > kLargestRecord || ReadWholeFile(path, bytes) != 0)
        return std::nullopt;
    return bytes;
}

// Writes the record through its own fixed temporary, renamed over it once complete: a save killed
// meanwhile leaves only that name, which the next record written takes over.
int WriteRecordBytes(const std::string& temporary, const std::string& bytes) {
    FileHandle file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file.valid())
        return errno;
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(file.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        done += static_cast<std::size_t>(n);
    }
    return file.close();
}

int WriteRecordFile(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".new";
    int err = WriteRecordBytes(temporary, bytes);
    if (err == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        err = errno;
    if (err != 0)
        ::unlink(temporary.c_str());
    return err;
}

}  // namespace

bool IsAsSaved(const std::string& path, const FileStamp& saved) {
    return AsSaved(PlainFileStamp(path), saved);
}

std::optional<RecordContents> ReadSaveRecord(const std::string& album) {
    const auto bytes = RecordBytes(album);
    return bytes ? ParseRecord(*bytes) : std::nullopt;
}

SaveRecord::SaveRecord(std::string album) : album_(std::move(album)) {
    struct stat st {};
    existed_ = ::lstat((album_ + "/" + kSaveRecordName).c_str(), &st) == 0;
    before_ = RecordBytes(album_);
    if (before_)
        earlier_ = ParseRecord(*before_);
}

void SaveRecord::RemoveLeftover() const {
    ::unlink((album_ + "/" + kSaveRecordName + ".new").c_str());
}

std::vector<StageNote> SaveRecord::EarlierStages() const {
    return earlier_ ? earlier_->stages : std::vector<StageNote>();
}

void SaveRecord::ForgetEarlierStages(bool placed) {
    if (!earlier_ || earlier_->stages.empty())
        return;
    for (const auto& [name, stamp] : earlier_->leaving) {
        const std::string path = album_ + "/" + name;
        if (placed && (!AsSaved(PlainFileStamp(path), stamp) || ::unlink(path.c_str()) == 0 ||
                       errno == ENOENT))
            continue;
        earlier_->files[name] = stamp;
    }
    earlier_->leaving.clear();
    earlier_->stages.clear();
    Write(earlier_->files, {}, {}, earlier_->outside);
    ::rmdir((album_ + "/" + kScreenSizeFolder).c_str());
    before_ = RecordBytes(album_);
    existed_ = true;
}

void SaveRecord::NoteStages(std::vector<StageNote> stages) {
    stages_ = std::move(stages);
    Write(EarlierFiles(), stages_, {}, EarlierOutside());
}

void SaveRecord::Wrote(const std::string& name) {
    written_[name] = {};
    keptStamps_.erase({false, name});
}

void SaveRecord::WroteOutside(const std::string& name) {
    writtenOutside_[name] = {};
    keptStamps_.erase({true, name});
}

void SaveRecord::Keyed(const std::string& name, const std::string& key, const std::string& extra) {
    FileStamp& stamp = written_[name];
    stamp.key = key;
    stamp.extra = extra;
}

void SaveRecord::Packed(const std::string& name, std::uint32_t crc) {
    if (const auto written = written_.find(name); written != written_.end())
        written->second.crc = crc;
}

void SaveRecord::Kept(const std::string& name, const FileStamp& earlier, bool outside) {
    keptStamps_[{outside, name}] = earlier;
}

std::string SaveRecord::OutFolder() const {
    return album_.substr(0, album_.rfind('/') + 1);
}

// The stamps of the files written: as they are now, or for a kept file as the earlier save left
// it (a change since makes it the user's); keys as this save gave them.
SavedFiles SaveRecord::Stamped() const {
    SavedFiles files;
    for (const auto& [name, written] : written_) {
        if (!PlainName(name))
            continue;
        std::optional<FileStamp> stamp = PlainFileStamp(album_ + "/" + name);
        const auto kept = keptStamps_.find({false, name});
        if (stamp && kept != keptStamps_.end())
            stamp = kept->second;
        if (!stamp)
            continue;
        stamp->key = written.key;
        stamp->extra = written.extra;
        if (written.crc)
            stamp->crc = written.crc;
        files[name] = *stamp;
    }
    return files;
}

SavedFiles SaveRecord::StampedOutside() const {
    SavedFiles files;
    for (const auto& [name, unused] : writtenOutside_) {
        std::optional<FileStamp> stamp = PlainFileStamp(OutFolder() + name);
        const auto kept = keptStamps_.find({true, name});
        if (stamp && kept != keptStamps_.end())
            stamp = kept->second;
        if (stamp)
            files[name] = FileStamp{stamp->size, stamp->modifiedNs, {}, {}, {}};
    }
    return files;
}

// The earlier record's files this save did not write.
SavedFiles SaveRecord::Stale() const {
    SavedFiles stale;
    if (earlier_) {
        for (const auto& [name, stamp] : earlier_->files) {
            if (written_.count(name) == 0)
                stale[name] = stamp;
        }
    }
    return stale;
}

void SaveRecord::Write(const SavedFiles& files, const std::vector<StageNote>& stages,
                       const SavedFiles& leaving, const SavedFiles& outside) const {
    std::string bytes(kHeader);
    for (const SavedFiles* list : {&files, &leaving, &outside}) {
        for (const auto& [name, stamp] : *list) {
            if (list != &files)
                bytes += list == &leaving ? '-' : '^';
            bytes += std::to_string(stamp.size);
            if (stamp.modifiedNs)
                bytes += ":" + std::to_string(*stamp.modifiedNs);
            if (stamp.crc) {
                char hex[9];
                const auto end = std::to_chars(hex, hex + sizeof hex, *stamp.crc, 16).ptr;
                bytes += "/" + std::string(hex, end);
            }
            if (!stamp.key.empty())
                bytes += "#" + stamp.key + "#" + stamp.extra;
            bytes += " " + name;
            bytes += '\0';
        }
    }
    for (const StageNote& stage : stages) {
        bytes += kStageMarks[stage.placed][stage.inOutFolder];
        bytes += stage.name;
        bytes += '\0';
    }
    const std::string path = album_ + "/" + kSaveRecordName;
    if (int err = WriteRecordFile(path, bytes))
        RaiseInOutError(err, path);
}

void SaveRecord::Placed() {
    for (StageNote& stage : stages_)
        stage.placed = true;
    Write(Stamped(), stages_, Stale(), StampedOutside());
}

void SaveRecord::Finish() {
    kept_ = Stamped();
    keptOutside_ = StampedOutside();
    SavedFiles& kept = kept_;
    for (const auto& [name, stamp] : Stale()) {
        const std::string path = album_ + "/" + name;
        // A file of that name the user has put there or edited since is left alone: it has
        // another size or time, or is no plain file.
        if (!AsSaved(PlainFileStamp(path), stamp))
            continue;
        // One that cannot be removed now stays on the record for the next save.
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            kept[name] = stamp;
    }
    Write(kept, stages_, {}, keptOutside_);
    // A screen-size folder left empty goes with its last picture.
    ::rmdir((album_ + "/" + kScreenSizeFolder).c_str());
}

void SaveRecord::Close() {
    stages_.clear();
    Write(kept_, {}, {}, keptOutside_);
}

void SaveRecord::Restore() noexcept {
    const std::string path = album_ + "/" + kSaveRecordName;
    if (!before_) {
        if (!existed_)
            ::unlink(path.c_str());
        return;
    }
    WriteRecordFile(path, *before_);
}

}  // namespace albumon
