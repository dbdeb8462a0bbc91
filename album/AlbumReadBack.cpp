// Reading an earlier album's picture folder back in the album's order and names.
#include "AlbumReadBack.h"

#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "FileSystem.h"
#include "ListChanges.h"
#include "OutputNames.h"
#include "Paths.h"
#include "TextFile.h"

namespace albumon {

namespace {

// The name a file-list line `Fname[i]="..."; ` holds, its script escapes undone; false for any
// other line.
bool ListedName(const std::string& line, std::string& name) {
    constexpr std::string_view kStart = "Fname[";
    if (line.compare(0, kStart.size(), kStart) != 0)
        return false;
    std::size_t at = line.find("]=\"", kStart.size());
    if (at == std::string::npos || line.size() < 2 || line.compare(line.size() - 2, 2, "\";") != 0)
        return false;
    const std::size_t end = line.size() - 2;
    name.clear();
    for (at += 3; at < end; ++at) {
        if (line[at] == '"')
            return false;
        if (line[at] != '\\') {
            name += line[at];
        } else if (at + 1 < end && line[at + 1] == 'x' && at + 3 < end) {
            const int high = HexDigitValue(line[at + 2]);
            const int low = HexDigitValue(line[at + 3]);
            if (high < 0 || low < 0)
                return false;
            name += static_cast<char>(high * 16 + low);
            at += 3;
        } else if (at + 1 < end) {
            name += line[++at];
        } else {
            return false;
        }
    }
    return true;
}

constexpr std::string_view kAlbumSuffix = ".files";

bool EndsWith(const std::string& text, std::string_view end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What lies at path, links not followed: 'l' link, 'd' folder, 'f' plain file, 'o' other, 0
// nothing.
char KindAt(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return 0;
    return S_ISLNK(st.st_mode) ? 'l' : S_ISDIR(st.st_mode) ? 'd' : S_ISREG(st.st_mode) ? 'f' : 'o';
}

// The index page of an album folder "<head>.files" (no trailing "/"): "<head>.htm" beside it.
std::string IndexOf(const std::string& folder) {
    return folder.substr(0, folder.size() - kAlbumSuffix.size()) + ".htm";
}

void Warn(std::vector<std::string>* warnings, std::string text) {
    if (warnings)
        warnings->push_back(std::move(text));
}

// The stems the index page of an album folder lists, in order; what it lists that cannot be
// read, or that would lead out of the folder, is passed over with a warning.
std::vector<std::string> ListedStems(const std::string& folder,
                                     std::vector<std::string>* warnings) {
    if (!EndsWith(FileNamePart(folder), kAlbumSuffix))
        return {};
    const std::string index = IndexOf(folder);
    const char kind = KindAt(index);
    if (kind == 'l')
        Warn(warnings, index + ": シンボリックリンクのため、アルバムの順番を読みませんでした");
    std::string bytes;
    if (kind != 'f' || ReadWholeFile(index, bytes) != 0)
        return {};
    std::vector<std::string> stems;
    std::string stem;
    int number = 0;
    for (const std::string& line : SplitTextLines(bytes)) {
        ++number;
        if (ListedName(line, stem) && stem.find('/') == std::string::npos && stem != "." &&
            stem != "..") {
            stems.push_back(stem);
        } else if (line.rfind("Fname[", 0) == 0) {
            Warn(warnings, index + " の " + std::to_string(number) +
                               " 行目のファイル名を読み取れないため、飛ばしました");
        }
    }
    return stems;
}

// Gives the album's entries from slot first on their saved names: a name automatic naming
// under the album's head text gives at that place stays automatic (so moving entries renumbers
// them as before), any other is kept as it is.
void KeepAlbumNames(AlbumState& state, int first, const NamingBase& album) {
    long long automatic = 0;
    for (int k = 0; k < first; ++k)
        automatic += state.Entries[k].NameMode == nmAuto ? 1 : 0;
    for (int k = first; k < state.EntryCount; ++k) {
        EntryRecord& entry = state.Entries[k];
        const bool numbered =
            FileNamePart(entry.SourcePath) == AutomaticOutName(album, automatic, entry.SourcePath);
        entry.NameMode = numbered ? nmAuto : nmKeep;
        automatic += numbered ? 1 : 0;
    }
}

}  // namespace

std::optional<std::string> AlbumFolderOf(const std::string& path) {
    std::string given = path;
    while (given.size() > 1 && given.back() == '/')
        given.pop_back();
    const char kind = KindAt(given);
    if (kind == 'd' && EndsWith(FileNamePart(given), kAlbumSuffix))
        return given;
    if (kind == 'f' && EndsWith(given, ".htm")) {
        const std::string folder = ReplaceExtension(given, "") + std::string(kAlbumSuffix);
        if (KindAt(folder) == 'd')
            return folder;
        return std::nullopt;
    }
    if (kind != 'd')
        return std::nullopt;
    std::optional<std::string> album;
    const std::string base = WithTrailingSlash(given);
    for (const DirEntry& item : ListFolder(given)) {
        const std::string folder = base + item.name;
        if (!item.isFolder || !EndsWith(item.name, kAlbumSuffix) || KindAt(folder) != 'd' ||
            KindAt(IndexOf(folder)) != 'f' || KindAt(folder + "/" + kSaveRecordName) != 'f')
            continue;
        if (album)
            return std::nullopt;
        album = folder;
    }
    std::size_t pages = 0;
    for (const DirEntry& item : ListFolder(given))
        pages += !item.isFolder && EndsWith(item.name, ".htm") ? 1 : 0;
    return pages == 1 ? album : std::nullopt;
}

std::vector<std::string> AlbumPictureOrder(const std::string& folder,
                                           const std::string& thumbPrefix,
                                           std::vector<std::string>* warnings) {
    const std::vector<std::string> stems = ListedStems(folder, warnings);
    if (stems.empty())
        return {};
    const std::string base = WithTrailingSlash(folder);
    std::vector<std::string> pictures;
    for (const DirEntry& item : ListFolder(folder)) {
        const std::string path = base + item.name;
        if (item.isFolder || !IsAcceptedInput(path, thumbPrefix))
            continue;
        if (KindAt(path) == 'f')
            pictures.push_back(item.name);
        else
            Warn(warnings,
                 path + ": シンボリックリンクか通常のファイルでないため、読みませんでした");
    }
    std::sort(pictures.begin(), pictures.end());
    std::vector<std::string> order;
    std::set<std::string> taken;
    for (const std::string& stem : stems) {
        const auto jpg = std::find(pictures.begin(), pictures.end(), stem + ".jpg");
        const auto any = std::find_if(pictures.begin(), pictures.end(), [&](const std::string& p) {
            return ReplaceExtension(p, "") == stem;
        });
        const auto found = jpg != pictures.end() ? jpg : any;
        if (found == pictures.end())
            Warn(warnings, IndexOf(folder) + " に載っている「" + stem + "」の写真が " + folder +
                               " にありません");
        else if (taken.insert(*found).second)
            order.push_back(*found);
    }
    return order;
}

FolderAddition AddFolderOrAlbum(AlbumState& state, const std::string& given, FolderOrder order,
                                const NamingBase& naming) {
    FolderAddition result;
    const std::optional<std::string> album = AlbumFolderOf(given);
    const std::string folder = album.value_or(given);
    const std::string base = WithTrailingSlash(folder);
    std::vector<std::string> paths;
    std::vector<std::string> warnings;
    for (const std::string& name : AlbumPictureOrder(folder, state.ThumbPrefix, &warnings)) {
        if (!IsListed(state, base + name))
            paths.push_back(base + name);
    }
    if (!paths.empty()) {
        const int first = state.EntryCount;
        result.Added = AddFiles(state, paths, naming);
        KeepAlbumNames(state, first, {HeadTextOfFolder(folder).value_or(""), naming.StartNumber});
        result.AlbumOrder = true;
        if (result.Added.Accepted > 0)
            NoteOpenedAlbum(state, folder);
    }
    AdditionResult rest =
        AddFolder(state, folder, order, album ? FolderLinks::Left : FolderLinks::Followed);
    result.Added.Accepted += rest.Accepted;
    result.Added.Refused += rest.Refused;
    result.Added.HeadText = rest.HeadText;
    for (std::vector<std::string>* list : {&result.Added.Warnings, &rest.Warnings})
        warnings.insert(warnings.end(), list->begin(), list->end());
    result.Added.Warnings = std::move(warnings);
    return result;
}

}  // namespace albumon
