// Texts of the screen-size and caption placeholders, and whether a template uses them.
#include "PicturePlaceholders.h"

#include <cstdint>

#include "FileSystem.h"
#include "LinkPreview.h"
#include "TemplateFiles.h"
#include "TextFile.h"
#include "W_html.h"

namespace albumon {

namespace {

// Characters of a caption before it is shortened.
constexpr std::size_t kCaptionLength = 24;

bool UsesScreenPlaceholder(const std::string& templatePath) {
    std::string bytes;
    if (ReadWholeFile(templatePath, bytes) != 0)
        return false;
    bytes.resize(std::min(bytes.size(), bytes.find('\x1A')));  // Ctrl-Z ends a template
    return bytes.find(kPicturesPlaceholder) != std::string::npos ||
           bytes.find(kSrcsetPlaceholder) != std::string::npos;
}

void AppendUtf8(std::string& text, std::uint32_t code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | code >> 18);
        text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The character reference at text[at] ("&amp;", "&#38;", "&#x26;"), appended read; returns the
// length it takes, 0 when there is none.
std::size_t ReadReference(const std::string& text, std::size_t at, std::string& out) {
    const std::size_t end = text.find(';', at);
    if (end == std::string::npos || end - at > 10)
        return 0;
    const std::string name = text.substr(at + 1, end - at - 1);
    static const std::pair<const char*, const char*> kNamed[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    for (const auto& [key, value] : kNamed) {
        if (name == key) {
            out += value;
            return end - at + 1;
        }
    }
    if (name.size() < 2 || name[0] != '#')
        return 0;
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") !=
                              std::string::npos)
        return 0;
    AppendUtf8(out, static_cast<std::uint32_t>(std::stoul(digits, nullptr, hex ? 16 : 10)));
    return end - at + 1;
}

// A note line as plain text: tags left out (inline ones join what they hold), references
// read, spaces run together.
std::string PlainText(const std::string& line) {
    std::string text;
    bool space = false;
    for (std::size_t at = 0; at < line.size();) {
        const char c = line[at];
        if (c == '<') {
            const std::size_t end = line.find('>', at);
            at = end == std::string::npos ? line.size() : end + 1;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n') {
            space = true;
            ++at;
            continue;
        }
        if (space && !text.empty())
            text += ' ';
        space = false;
        const std::size_t taken = c == '&' ? ReadReference(line, at, text) : 0;
        if (taken == 0)
            text += c;
        at += taken == 0 ? 1 : taken;
    }
    return text;
}

// The text cut to kCaptionLength characters (UTF-8), the last one "…" when anything is left out.
std::string Shortened(const std::string& text) {
    std::size_t characters = 0, cut = std::string::npos;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
            continue;
        if (++characters == kCaptionLength)
            cut = at;
        if (characters > kCaptionLength)
            return text.substr(0, cut) + "…";
    }
    return text;
}

// A file name as one relative URL part: unreserved ASCII and non-ASCII bytes as they are,
// everything else (spaces, commas, "%", "#"...) percent-escaped.
std::string UrlPart(const std::string& name) {
    return PercentEscaped(
        name, [](unsigned char byte) { return byte >= 0x80 || UnreservedUrlByte(byte); });
}

const EntryPicture* PictureOf(const AlbumPictures* pictures, int k) {
    if (!pictures || k < 0 || static_cast<std::size_t>(k) >= pictures->entries.size())
        return nullptr;
    const EntryPicture& picture = pictures->entries[static_cast<std::size_t>(k)];
    return picture.width > 0 && picture.height > 0 ? &picture : nullptr;
}

}  // namespace

std::string ScreenPictureName(const std::string& outName, int side) {
    return outName.substr(0, outName.rfind('.')) + "." + std::to_string(side) + ".jpg";
}

bool TemplateAsksScreenSizes(const std::string& templateFolder) {
    return UsesScreenPlaceholder(IndexTemplatePath(templateFolder)) ||
           UsesScreenPlaceholder(PageTemplatePath(templateFolder));
}

std::string NoteFirstLine(const AlbumState& state, const EntryRecord& entry) {
    const std::string path = NoteFilePath(state, entry);
    if (entry.NotePos == npNone || !FileExists(path))
        return {};
    TextFileReader note(path);
    std::string line;
    while (note.ReadLine(line)) {
        std::string text = PlainText(line);
        if (!text.empty())
            return text;
    }
    return {};
}

std::string NoteCaption(const AlbumState& state, const EntryRecord& entry) {
    return Shortened(NoteFirstLine(state, entry));
}

std::vector<std::string> PictureListLines(const AlbumState& state, const AlbumPictures* pictures) {
    const std::string folder = pictures ? ScriptStringText(pictures->folder) + "/" : "";
    std::vector<std::string> lines{"PictureFolder=\"" + folder + "\";"};
    for (int i = 0; i < state.EntryCount; ++i) {
        const EntryPicture* picture = PictureOf(pictures, i);
        std::string sides[2];  // card thumbnails, display copies
        for (const ScreenFile& file : picture ? picture->files : std::vector<ScreenFile>()) {
            std::string& list = sides[file.display ? 1 : 0];
            list += (list.empty() ? "" : ",") + std::to_string(file.side);
        }
        const std::string& name = state.Entries[i].OutName;
        const std::size_t dot = name.rfind('.');
        std::string caption = ScriptStringText(NoteCaption(state, state.Entries[i]));
        // No "</script>" can close the list early.
        for (std::size_t at = caption.find('<'); at != std::string::npos; at = caption.find('<'))
            caption.replace(at, 1, "\\x3C");
        lines.push_back("Picture[" + std::to_string(i) +
                        "]={width:" + std::to_string(picture ? picture->width : 0) +
                        ",height:" + std::to_string(picture ? picture->height : 0) + ",cards:[" +
                        sides[0] + "],views:[" + sides[1] + "],extension:\"" +
                        ScriptStringText(dot == std::string::npos ? "" : name.substr(dot)) +
                        "\",caption:\"" + caption + "\"};");
    }
    return lines;
}

std::string SrcsetText(const AlbumState& state, const AlbumPictures* pictures, int k) {
    const EntryPicture* picture = PictureOf(pictures, k);
    if (!picture)
        return {};
    const std::string& outName = state.Entries[k].OutName;
    std::string text;
    for (const ScreenFile& file : picture->files) {
        if (file.display) {
            text += UrlPart(pictures->folder) + "/" +
                    UrlPart(ScreenPictureName(outName, file.side)) + " " +
                    std::to_string(file.width) + "w, ";
        }
    }
    return text + UrlPart(outName) + " " + std::to_string(picture->width) + "w";
}

std::string SizeText(const AlbumPictures* pictures, int k, bool height) {
    const EntryPicture* picture = PictureOf(pictures, k);
    if (!picture)
        return {};
    return std::to_string(height ? picture->height : picture->width);
}

}  // namespace albumon
