// Keeping what an earlier save made when it is what this save would make.
#include "ReuseFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "FileSystem.h"
#include "PicturePlaceholders.h"
#include "SaveStage.h"
#include "renditions/ScreenSizes.h"

namespace albumon {

namespace {

// "a.b.c" of numbers.
std::string Joined(const std::vector<int>& numbers) {
    std::string text;
    for (const int number : numbers)
        text += (text.empty() ? "" : ".") + std::to_string(number);
    return text;
}

std::optional<std::vector<int>> Numbers(std::string_view text) {
    std::vector<int> numbers;
    while (!text.empty()) {
        const auto dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        int number = 0;
        const auto read = std::from_chars(part.data(), part.data() + part.size(), number);
        if (read.ec != std::errc() || read.ptr != part.data() + part.size())
            return std::nullopt;
        numbers.push_back(number);
        text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    }
    return numbers;
}

// The fields of EntryExtra: width, height, location, screens asked, notices, screen sides.
std::optional<std::vector<std::vector<int>>> ExtraFields(std::string_view text) {
    std::vector<std::vector<int>> fields;
    for (;;) {
        const auto comma = text.find(',');
        const auto numbers = Numbers(text.substr(0, comma));
        if (!numbers)
            return std::nullopt;
        fields.push_back(*numbers);
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    if (fields.size() != 6 || fields[0].size() != 1 || fields[1].size() != 1 ||
        fields[2].size() != 1 || fields[3].size() != 1)
        return std::nullopt;
    return fields;
}

std::string ScreenName(const std::string& outName, int side) {
    return std::string(kScreenSizeFolder) + "/" + ScreenPictureName(outName, side);
}

struct Stat {
    dev_t device = 0;
    ino_t file = 0;
    off_t size = 0;
};

std::optional<Stat> PlainFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return Stat{st.st_dev, st.st_ino, st.st_size};
}

// Whether the two files hold the same bytes (their sizes already found equal).
bool SameBytes(const std::string& a, const std::string& b) {
    FileHandle one(::open(a.c_str(), O_RDONLY | O_CLOEXEC));
    FileHandle two(::open(b.c_str(), O_RDONLY | O_CLOEXEC));
    if (!one.valid() || !two.valid())
        return false;
    std::string left(1 << 16, '\0');
    std::string right(1 << 16, '\0');
    for (;;) {
        const ssize_t n = ::read(one.get(), left.data(), left.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        ssize_t m = 0;
        while (m < n) {
            const ssize_t got =
                ::read(two.get(), right.data() + m, static_cast<std::size_t>(n - m));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            m += got;
        }
        if (n == 0) {
            char extra = 0;
            return ::read(two.get(), &extra, 1) == 0;
        }
        if (std::memcmp(left.data(), right.data(), static_cast<std::size_t>(n)) != 0)
            return false;
    }
}

// Puts a second name of final in place of the staged file.
bool LinkOver(const std::string& final, const std::string& staged) {
    const std::string temporary = staged + ".keep";
    ::unlink(temporary.c_str());
    if (::link(final.c_str(), temporary.c_str()) != 0)
        return false;
    if (::rename(temporary.c_str(), staged.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string EntryExtra(const EntryResult& result, bool screensAsked) {
    std::vector<int> notices;
    for (const PictureNotice notice : result.Notices)
        notices.push_back(static_cast<int>(notice));
    std::vector<int> sides;
    for (const ScreenPicture& picture : result.Screens.pictures)
        sides.push_back(picture.side);
    return std::to_string(result.Screens.width) + "," + std::to_string(result.Screens.height) +
           "," + (result.HasLocation ? "1" : "0") + "," + (screensAsked ? "1" : "0") + "," +
           Joined(notices) + "," + Joined(sides);
}

OutputReuse::OutputReuse(SavedFiles earlier, std::string album)
    : earlier_(std::move(earlier)), album_(std::move(album)) {
    for (const auto& [name, stamp] : earlier_) {
        if (!stamp.key.empty())
            byKey_.emplace(stamp.key, name);
    }
}

std::optional<std::string> OutputReuse::FindFile(const std::string& key,
                                                 const std::string& preferred) {
    std::optional<std::string> found;
    const auto [first, last] = byKey_.equal_range(key);
    for (auto it = first; it != last; ++it) {
        if (used_.count(it->second) != 0 ||
            !IsAsSaved(album_ + "/" + it->second, earlier_.at(it->second)))
            continue;
        if (!found || it->second == preferred)
            found = it->second;
    }
    if (found)
        used_.insert(*found);
    return found;
}

std::optional<KeptEntry> OutputReuse::Find(const EntryJob& job, const EntryKeys& keys,
                                           const EntryNames& names) {
    KeptEntry kept;
    std::vector<std::string> taken;
    const auto give_back = [&] {
        for (const std::string& name : taken)
            used_.erase(name);
        return std::nullopt;
    };
    const auto picture = FindFile(keys.Picture(), names.picture);
    if (!picture)
        return std::nullopt;
    taken.push_back(*picture);
    const auto fields = ExtraFields(earlier_.at(*picture).extra);
    if (!fields || (*fields)[3][0] != (job.ScreenSides.empty() ? 0 : 1))
        return give_back();
    kept.picture = *picture;
    kept.extra = earlier_.at(*picture).extra;
    kept.size.width = (*fields)[0][0];
    kept.size.height = (*fields)[1][0];
    kept.hasLocation = (*fields)[2][0] != 0;
    for (const int notice : (*fields)[4])
        kept.notices.push_back(static_cast<PictureNotice>(notice));
    const auto thumbnail = FindFile(keys.Thumbnail(), names.thumbnail);
    if (!thumbnail)
        return give_back();
    taken.push_back(*thumbnail);
    kept.thumbnail = *thumbnail;
    for (const int side : (*fields)[5]) {
        const auto screen = FindFile(keys.Screen(side), ScreenName(names.outName, side));
        if (!screen)
            return give_back();
        taken.push_back(*screen);
        kept.screens.emplace_back(side, *screen);
        kept.size.pictures.push_back({side, {}});
    }
    return kept;
}

bool OutputReuse::Stage(const KeptEntry& kept, const EntryKeys& keys, const EntryNames& names,
                        const std::string& extra, StagedSave& staged, SaveRecord& record) const {
    std::vector<std::pair<std::string, std::string>> files = {{kept.thumbnail, names.thumbnail},
                                                              {kept.picture, names.picture}};
    for (const auto& [side, name] : kept.screens)
        files.emplace_back(name, ScreenName(names.outName, side));
    for (const auto& [from, to] : files) {
        // The second name must be of the file as the record left it, not one put there since.
        if (!staged.Keep(album_ + "/" + from, album_ + "/" + to) ||
            !IsAsSaved(*staged.StagedPath(album_ + "/" + to), earlier_.at(from)))
            return false;
    }
    for (const auto& [from, to] : files)
        record.Kept(to, earlier_.at(from));
    record.Keyed(names.thumbnail, keys.Thumbnail());
    record.Keyed(names.picture, keys.Picture(), extra);
    for (const auto& [side, name] : kept.screens)
        record.Keyed(ScreenName(names.outName, side), keys.Screen(side));
    return true;
}

bool OutputReuse::KeepFile(const std::string& key, const std::string& name, StagedSave& staged,
                           SaveRecord& record) {
    const auto found = FindFile(key, name);
    if (!found)
        return false;
    const FileStamp& earlier = earlier_.at(*found);
    if (!staged.Keep(album_ + "/" + *found, album_ + "/" + name) ||
        !IsAsSaved(*staged.StagedPath(album_ + "/" + name), earlier)) {
        used_.erase(*found);
        return false;
    }
    record.Kept(name, earlier);
    record.Keyed(name, key);
    return true;
}

std::set<std::string> KeepUnchanged(StagedSave& staged, SaveRecord& record,
                                    const std::string& album) {
    const std::string inAlbum = album + "/";
    const std::string outFolder = album.substr(0, album.rfind('/') + 1);
    const SavedFiles files = record.EarlierFiles();
    const SavedFiles outside = record.EarlierOutside();
    std::set<std::string> written;
    for (const StagedFile& file : staged.Files()) {
        const auto now = PlainFile(file.final);
        const auto made = PlainFile(file.staged);
        if (now && made && now->device == made->device && now->file == made->file)
            continue;
        const bool inside = file.final.rfind(inAlbum, 0) == 0;
        const std::string name = file.final.substr(inside ? inAlbum.size() : outFolder.size());
        const SavedFiles& list = inside ? files : outside;
        const auto saved = list.find(name);
        // The index page of an older record, which kept no stamps beside the album folder.
        const bool olderIndex = !inside && record.HadRecord() && outside.empty();
        const bool own = saved != list.end() ? IsAsSaved(file.final, saved->second) : olderIndex;
        if (!own || !now || !made || now->size != made->size ||
            !SameBytes(file.final, file.staged) || !LinkOver(file.final, file.staged)) {
            written.insert(file.final);
            continue;
        }
        if (saved != list.end())
            record.Kept(name, saved->second, !inside);
    }
    return written;
}

bool NothingChanged(const StagedSave& staged, const SaveRecord& record, const std::string& album) {
    std::set<std::string> names;
    const std::string inAlbum = album + "/";
    for (const StagedFile& file : staged.Files()) {
        const auto now = PlainFile(file.final);
        const auto made = PlainFile(file.staged);
        if (!now || !made || now->device != made->device || now->file != made->file)
            return false;
        if (file.final.rfind(inAlbum, 0) == 0)
            names.insert(file.final.substr(inAlbum.size()));
    }
    for (const auto& [name, stamp] : record.EarlierFiles()) {
        if (names.count(name) == 0)
            return false;
    }
    return true;
}

}  // namespace albumon
