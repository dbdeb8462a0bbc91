// Album pages: template expansion and the copy of the template's support files.
#include "W_html.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "Errors.h"
#include "FileSystem.h"
#include "LinkPreview.h"
#include "NoteMarkers.h"
#include "Paths.h"
#include "PhotoList.h"
#include "PicturePlaceholders.h"
#include "TextFile.h"

namespace albumon {

// A name as the text of a script string between double quotes: backslash, double quote and
// control characters escaped, and "<" too, so that no name can end or comment out the page's
// script ("</script>", "<!--"); every other byte as it is.
std::string ScriptStringText(std::string_view name) {
    std::string text;
    text.reserve(name.size());
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            text += '\\';
            text += c;
        } else if (byte < 0x20 || byte == 0x7F || c == '<') {
            static constexpr char kHex[] = "0123456789ABCDEF";
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 0xF];
        } else {
            text += c;
        }
    }
    return text;
}

namespace {

enum class Placeholder {
    PreNote,
    PostNote,
    FileList,
    Title,
    Prefix,
    FileName,
    FileCount,
    Pictures,
    Srcset,
    Width,
    Height,
    Preview,
    PhotoList,
    AlbumFolder,
    Heading
};

struct PlaceholderName {
    Placeholder kind;
    std::string_view text;
};

// The placeholders in the order every line is searched for them.
constexpr std::array<PlaceholderName, 15> kPlaceholders{{
    {Placeholder::PreNote, "$$$PRENOTE$$$"},
    {Placeholder::PostNote, "$$$POSTNOTE$$$"},
    {Placeholder::FileList, "$$$FILELIST$$$"},
    {Placeholder::Title, "$$$TITLE$$$"},
    {Placeholder::Prefix, "$$$PREFIX$$$"},
    {Placeholder::FileName, "$$$FILENAME$$$"},
    {Placeholder::FileCount, "$$$FILECOU$$$"},
    {Placeholder::Pictures, kPicturesPlaceholder},
    {Placeholder::Srcset, kSrcsetPlaceholder},
    {Placeholder::Width, kWidthPlaceholder},
    {Placeholder::Height, kHeightPlaceholder},
    {Placeholder::Preview, kPreviewPlaceholder},
    {Placeholder::PhotoList, kPhotoListPlaceholder},
    {Placeholder::AlbumFolder, kAlbumFolderPlaceholder},
    {Placeholder::Heading, kHeadingPlaceholder},
}};

constexpr std::string_view kTableLine =
    "<TABLE BORDER=\"1\" CELLPADDING=\"0\" CELLSPACING=\"0\" BGCOLOR=#FFFFFF ALIGN=\"Center\" "
    "VALIGN=\"bottom\"><TR><TD>";

// Writes one page: the state, the page file and the entry whose values fill it.
class PageExpander {
  public:
    PageExpander(const AlbumState& state, const std::string& head, TextFileWriter& page,
                 int entryIndex, const AlbumPictures* pictures, const LinkPreview* preview)
        : state_(state),
          head_(head),
          page_(page),
          entry_(state.Entries[entryIndex]),
          index_(entryIndex),
          pictures_(pictures),
          preview_(preview) {}

    void ExpandLine(std::string line) {
        for (const PlaceholderName& p : kPlaceholders) {
            auto at = line.find(p.text);
            if (at == std::string::npos)
                continue;
            std::string rest = line.substr(at + p.text.size());
            line.resize(at);
            line += InlineText(p.kind);
            line += rest;
            WriteBlock(p.kind);
        }
        page_.WriteLine(line);
    }

  private:
    std::string InlineText(Placeholder kind) const {
        switch (kind) {
            case Placeholder::Title:
                return head_;
            case Placeholder::Prefix:
                return state_.ThumbPrefix;
            case Placeholder::FileName:
                return entry_.OutName;
            case Placeholder::FileCount:
                return std::to_string(state_.EntryCount);
            case Placeholder::Srcset:
                return SrcsetText(state_, pictures_, index_);
            case Placeholder::Width:
            case Placeholder::Height:
                return SizeText(pictures_, index_, kind == Placeholder::Height);
            case Placeholder::AlbumFolder:
                return AlbumFolderUrl(head_);
            case Placeholder::Heading:
                return HtmlText(head_);
            default:
                return std::string();
        }
    }

    void WriteBlock(Placeholder kind) {
        if (kind == Placeholder::PreNote && entry_.NotePos == npAbove) {
            WriteNote({kTableLine, kPreNoteBegin}, {kPreNoteEnd, "</TABLE>", "<BR><BR>"});
        } else if (kind == Placeholder::PostNote && entry_.NotePos == npBelow) {
            WriteNote({"<BR><BR>", kTableLine, kPostNoteBegin}, {kPostNoteEnd, "</TABLE>"});
        } else if (kind == Placeholder::FileList) {
            WriteFileList();
        } else if (kind == Placeholder::Pictures) {
            WriteLines(PictureListLines(state_, pictures_));
        } else if (kind == Placeholder::Preview && preview_) {
            WriteLines(PreviewTagLines(*preview_));
        } else if (kind == Placeholder::PhotoList) {
            WriteLines(PhotoListLines(state_, head_, pictures_));
        }
    }

    void WriteLines(const std::vector<std::string>& lines) {
        for (const std::string& line : lines)
            page_.WriteLine(line);
    }

    void WriteNote(std::initializer_list<std::string_view> before,
                   std::initializer_list<std::string_view> after) {
        std::string notePath = NoteFilePath(state_, entry_);
        if (!FileExists(notePath))
            return;
        TextFileReader note(notePath);
        for (std::string_view line : before)
            page_.WriteLine(line);
        std::string line;
        while (note.ReadLine(line))
            page_.WriteLine(QuoteNoteLine(line));
        for (std::string_view line : after)
            page_.WriteLine(line);
    }

    void WriteFileList() {
        for (int i = 0; i < state_.EntryCount; ++i) {
            const EntryRecord& entry = state_.Entries[i];
            std::string index = std::to_string(i);
            std::string base = entry.OutName.substr(0, entry.OutName.rfind('.'));
            page_.WriteLine("Fname[" + index + "]=\"" + ScriptStringText(base) + "\";");
            page_.WriteLine("DocType[" + index + "]=" + (entry.NotePos != npNone ? "1" : "0") +
                            ";");
        }
    }

    const AlbumState& state_;
    const std::string& head_;
    TextFileWriter& page_;
    const EntryRecord& entry_;
    int index_;
    const AlbumPictures* pictures_;
    const LinkPreview* preview_;
};

// The real path of a folder with a trailing "/", or empty when it cannot be resolved.
std::string RealFolder(const std::string& folder) {
    std::unique_ptr<char, void (*)(void*)> real(::realpath(folder.c_str(), nullptr), &std::free);
    return real ? WithTrailingSlash(real.get()) : std::string();
}

// What an item of the support folder gives the album; why, for one that is refused.
struct SupportItem {
    enum Action { Copy, Skip, Refuse } action;
    std::string source;  // the file to copy, or why it is refused
};

constexpr const char* kLeadsOut = "テンプレートフォルダーの外を指しています";

// True when path lies in folder (both resolved; folder ends with "/").
bool Inside(const std::string& path, const std::string& folder) {
    return !folder.empty() && path.compare(0, folder.size(), folder) == 0;
}

// A regular file is copied; a folder, or a link to one, is passed over. A link is followed only
// to a file inside root (the template folder, resolved), so that no file from elsewhere reaches
// the album; any other link, a fifo, socket or device is refused.
SupportItem ClassifySupportItem(const std::string& path, const std::string& root) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return {SupportItem::Refuse, InOutErrorText(ErrorCodeFromErrno(errno))};
    if (S_ISDIR(st.st_mode))
        return {SupportItem::Skip, {}};
    if (S_ISREG(st.st_mode))
        return {SupportItem::Copy, path};
    if (!S_ISLNK(st.st_mode))
        return {SupportItem::Refuse, "通常のファイルではありません"};
    std::unique_ptr<char, void (*)(void*)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (!real)
        return {SupportItem::Refuse, "リンク先がありません"};
    const std::string target = real.get();
    if (DirectoryExists(target))
        return {SupportItem::Skip, {}};
    if (!Inside(target, root))
        return {SupportItem::Refuse, kLeadsOut};
    struct stat targetStat {};
    if (::stat(target.c_str(), &targetStat) != 0 || !S_ISREG(targetStat.st_mode))
        return {SupportItem::Refuse, "通常のファイルではありません"};
    return {SupportItem::Copy, target};
}

}  // namespace

void ExpandTemplate(const AlbumState& state, const std::string& head,
                    const std::string& templatePath, const std::string& pagePath, int entryIndex,
                    const AlbumPictures* pictures, const LinkPreview* preview) {
    if (!FileExists(templatePath))
        return;
    // A page replaces its old self only once it is complete: a failure midway (a full disk)
    // leaves the page of an earlier save as it was.
    TextFileWriter page(pagePath, WriteMode::Replace);
    TextFileReader source(templatePath);
    PageExpander expander(state, head, page, entryIndex, pictures, preview);
    std::string line;
    while (source.ReadLine(line))
        expander.ExpandLine(std::move(line));
    page.Close();
}

std::vector<std::string> SupportFileNames(const std::string& sourceFolder) {
    std::vector<std::string> names;
    const std::string root =
        RealFolder(FolderPart(sourceFolder.substr(0, sourceFolder.size() - 1)));
    const std::string support = RealFolder(sourceFolder);
    if (support.empty() || !Inside(support, root))
        return names;
    for (const DirEntry& item : ListFolder(sourceFolder)) {
        const std::string lower = AsciiLower(item.name);
        if (lower != "defpage.htm" && lower != "defnote.jpg" &&
            ClassifySupportItem(sourceFolder + item.name, root).action == SupportItem::Copy)
            names.push_back(item.name);
    }
    return names;
}

SupportCopy CopySupportFiles(const std::string& sourceFolder, const std::string& destFolder) {
    SupportCopy result;
    // The support folder itself may be a link, but only to a folder inside the template folder.
    const std::string root =
        RealFolder(FolderPart(sourceFolder.substr(0, sourceFolder.size() - 1)));
    const std::string support = RealFolder(sourceFolder);
    if (support.empty())
        return result;
    if (!Inside(support, root)) {
        result.leftOut.push_back({sourceFolder, kLeadsOut});
        return result;
    }
    for (const DirEntry& item : ListFolder(sourceFolder)) {
        std::string lower = AsciiLower(item.name);
        if (lower == "defpage.htm" || lower == "defnote.jpg")
            continue;
        const std::string path = sourceFolder + item.name;
        const SupportItem file = ClassifySupportItem(path, root);
        if (file.action == SupportItem::Skip)
            continue;
        if (file.action == SupportItem::Refuse) {
            result.leftOut.push_back({path, file.source});
        } else if (int err = CopyFileReplacing(file.source, destFolder + item.name)) {
            result.leftOut.push_back({path, IsRefusal(err)
                                                ? "通常のファイルではありません"
                                                : InOutErrorText(ErrorCodeFromErrno(err))});
        } else {
            result.copied.push_back(item.name);
        }
    }
    return result;
}

}  // namespace albumon
