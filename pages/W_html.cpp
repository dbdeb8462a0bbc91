// Album pages: template expansion and the copy of the template's support files.
#include "W_html.h"

#include <array>
#include <string_view>

#include "Errors.h"
#include "FileSystem.h"
#include "Paths.h"
#include "TextFile.h"

namespace albumon {

namespace {

enum class Placeholder { PreNote, PostNote, FileList, Title, Prefix, FileName, FileCount };

struct PlaceholderName {
    Placeholder kind;
    std::string_view text;
};

// The placeholders in the order every line is searched for them.
constexpr std::array<PlaceholderName, 7> kPlaceholders{{
    {Placeholder::PreNote, "$$$PRENOTE$$$"},
    {Placeholder::PostNote, "$$$POSTNOTE$$$"},
    {Placeholder::FileList, "$$$FILELIST$$$"},
    {Placeholder::Title, "$$$TITLE$$$"},
    {Placeholder::Prefix, "$$$PREFIX$$$"},
    {Placeholder::FileName, "$$$FILENAME$$$"},
    {Placeholder::FileCount, "$$$FILECOU$$$"},
}};

constexpr std::string_view kTableLine =
    "<TABLE BORDER=\"1\" CELLPADDING=\"0\" CELLSPACING=\"0\" BGCOLOR=#FFFFFF ALIGN=\"Center\" "
    "VALIGN=\"bottom\"><TR><TD>";

// Writes one page: the state, the page file and the entry whose values fill it.
class PageExpander {
  public:
    PageExpander(const AlbumState& state, const std::string& head, TextFileWriter& page,
                 int entryIndex)
        : state_(state), head_(head), page_(page), entry_(state.Entries[entryIndex]) {}

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
            default:
                return std::string();
        }
    }

    void WriteBlock(Placeholder kind) {
        if (kind == Placeholder::PreNote && entry_.NotePos == npAbove) {
            WriteNote({kTableLine, "<!-- ALBUMON PRENOTE BEGIN -->"},
                      {"<!-- ALBUMON PRENOTE END -->", "</TABLE>", "<BR><BR>"});
        } else if (kind == Placeholder::PostNote && entry_.NotePos == npBelow) {
            WriteNote({"<BR><BR>", kTableLine, "<!-- ALBUMON POSTNOTE BEGIN -->"},
                      {"<!-- ALBUMON POSTNOTE END -->", "</TABLE>"});
        } else if (kind == Placeholder::FileList) {
            WriteFileList();
        }
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
            page_.WriteLine(line);
        for (std::string_view line : after)
            page_.WriteLine(line);
    }

    void WriteFileList() {
        for (int i = 0; i < state_.EntryCount; ++i) {
            const EntryRecord& entry = state_.Entries[i];
            std::string index = std::to_string(i);
            std::string base = entry.OutName.substr(0, entry.OutName.rfind('.'));
            page_.WriteLine("Fname[" + index + "]=\"" + base + "\";");
            page_.WriteLine("DocType[" + index + "]=" + (entry.NotePos != npNone ? "1" : "0") +
                            ";");
        }
    }

    const AlbumState& state_;
    const std::string& head_;
    TextFileWriter& page_;
    const EntryRecord& entry_;
};

}  // namespace

void ExpandTemplate(const AlbumState& state, const std::string& head,
                    const std::string& templatePath, const std::string& pagePath, int entryIndex) {
    if (!FileExists(templatePath))
        return;
    // A page replaces its old self only once it is complete: a failure midway (a full disk)
    // leaves the page of an earlier save as it was.
    TextFileWriter page(pagePath, WriteMode::Replace);
    TextFileReader source(templatePath);
    PageExpander expander(state, head, page, entryIndex);
    std::string line;
    while (source.ReadLine(line))
        expander.ExpandLine(std::move(line));
    page.Close();
}

std::vector<std::string> CopySupportFiles(const std::string& sourceFolder,
                                          const std::string& destFolder) {
    std::vector<std::string> copied;
    std::string firstFailure;
    for (const DirEntry& item : ListFolder(sourceFolder)) {
        if (item.isFolder)
            continue;
        std::string lower = AsciiLower(item.name);
        if (lower == "defpage.htm" || lower == "defnote.jpg")
            continue;
        std::string target = destFolder + item.name;
        if (CopyFileReplacing(sourceFolder + item.name, target) == 0) {
            copied.push_back(item.name);
        } else if (firstFailure.empty()) {
            firstFailure = target;
        }
    }
    if (!firstFailure.empty())
        throw EFCreateError(firstFailure);
    return copied;
}

}  // namespace albumon
