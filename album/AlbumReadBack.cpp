// Reading an earlier album's picture folder back in the album's order and names.
#include "AlbumReadBack.h"

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

// The stems the index page of an album folder lists, in order.
std::vector<std::string> ListedStems(const std::string& folder) {
    const std::string name = FileNamePart(folder);
    constexpr std::string_view kSuffix = ".files";
    if (name.size() <= kSuffix.size() ||
        name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
        return {};
    const std::string index =
        FolderPart(folder) + name.substr(0, name.size() - kSuffix.size()) + ".htm";
    std::string bytes;
    if (ReadWholeFile(index, bytes) != 0)
        return {};
    std::vector<std::string> stems;
    std::string stem;
    for (const std::string& line : SplitTextLines(bytes)) {
        if (ListedName(line, stem))
            stems.push_back(stem);
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

std::vector<std::string> AlbumPictureOrder(const std::string& folder,
                                           const std::string& thumbPrefix) {
    const std::vector<std::string> stems = ListedStems(folder);
    if (stems.empty())
        return {};
    const std::string base = WithTrailingSlash(folder);
    std::vector<std::string> pictures;
    for (const DirEntry& item : ListFolder(folder)) {
        if (!item.isFolder && IsAcceptedInput(base + item.name, thumbPrefix))
            pictures.push_back(item.name);
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
        if (found != pictures.end() && taken.insert(*found).second)
            order.push_back(*found);
    }
    return order;
}

FolderAddition AddFolderOrAlbum(AlbumState& state, const std::string& folder, FolderOrder order,
                                const NamingBase& naming) {
    FolderAddition result;
    const std::string base = WithTrailingSlash(folder);
    std::vector<std::string> paths;
    for (const std::string& name : AlbumPictureOrder(folder, state.ThumbPrefix)) {
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
    const AdditionResult rest = AddFolder(state, folder, order);
    result.Added.Accepted += rest.Accepted;
    result.Added.Refused += rest.Refused;
    result.Added.HeadText = rest.HeadText;
    return result;
}

}  // namespace albumon
