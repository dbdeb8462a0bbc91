// The tags of a page's link preview and the escaping of their values.
#include "LinkPreview.h"

#include "Paths.h"
#include "PicturePlaceholders.h"

namespace albumon {

namespace {

std::string MetaLine(const char* attribute, const char* name, const std::string& content) {
    return std::string("<meta ") + attribute + "=\"" + name + "\" content=\"" + HtmlText(content) +
           "\">";
}

// The preview's cover fields from a cover.
void SetImage(LinkPreview& preview, const std::string& publicUrl, const PreviewImage& cover) {
    if (cover.path.empty())
        return;
    preview.image = PublicAddress(publicUrl, cover.path);
    preview.imageWidth = cover.width;
    preview.imageHeight = cover.height;
}

}  // namespace

std::string PageCoverName(const std::string& outName) {
    return outName.substr(0, outName.rfind('.')) + ".cover.jpg";
}

std::string HtmlText(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                const auto byte = static_cast<unsigned char>(c);
                escaped += byte < 0x20 || byte == 0x7F ? ' ' : c;
        }
    }
    return escaped;
}

bool UnreservedUrlByte(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

std::string PercentEscaped(std::string_view text, bool (*plain)(unsigned char)) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (plain(byte)) {
            escaped += c;
        } else {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0xF];
        }
    }
    return escaped;
}

std::string UrlPath(std::string_view path) {
    return PercentEscaped(
        path, [](unsigned char byte) { return UnreservedUrlByte(byte) || byte == '/'; });
}

std::string PublicAddress(const std::string& publicUrl, const std::string& relativePath) {
    std::string address = PercentEscaped(publicUrl, [](unsigned char byte) {
        return byte > 0x20 && byte < 0x7F &&
               std::string_view("\"<>\\^`{|}").find(static_cast<char>(byte)) ==
                   std::string_view::npos;
    });
    if (address.empty() || address.back() != '/')
        address += '/';
    return address + UrlPath(relativePath);
}

std::string PhotoCountText(int count) {
    return std::to_string(count) + " 枚の写真";
}

LinkPreview IndexPreview(const AlbumState& state, const std::string& head,
                         const std::string& publicUrl, const PreviewImage& cover) {
    LinkPreview preview;
    preview.type = "website";
    preview.title = head;
    preview.description = PhotoCountText(state.EntryCount);
    preview.url = PublicAddress(publicUrl, head + ".htm");
    SetImage(preview, publicUrl, cover);
    return preview;
}

LinkPreview PagePreview(const AlbumState& state, const std::string& head, int k,
                        const std::string& publicUrl, const PreviewImage& cover) {
    const EntryRecord& entry = state.Entries[k];
    const std::string caption = NoteCaption(state, entry);
    const std::string line = NoteFirstLine(state, entry);
    LinkPreview preview;
    preview.type = "article";
    preview.title = caption.empty() ? entry.OutName : caption;
    preview.description = line.empty() ? PhotoCountText(state.EntryCount) : line;
    preview.url =
        PublicAddress(publicUrl, head + ".files/" + ReplaceExtension(entry.OutName, ".htm"));
    SetImage(preview, publicUrl, cover);
    return preview;
}

std::vector<std::string> PreviewTagLines(const LinkPreview& preview) {
    std::vector<std::string> lines{
        MetaLine("property", "og:type", preview.type),
        MetaLine("property", "og:title", preview.title),
        MetaLine("property", "og:description", preview.description),
        MetaLine("property", "og:url", preview.url),
    };
    if (preview.image.empty()) {
        lines.push_back(MetaLine("name", "twitter:card", "summary"));
        return lines;
    }
    lines.push_back(MetaLine("property", "og:image", preview.image));
    lines.push_back(MetaLine("property", "og:image:width", std::to_string(preview.imageWidth)));
    lines.push_back(MetaLine("property", "og:image:height", std::to_string(preview.imageHeight)));
    lines.push_back(MetaLine("name", "twitter:card", "summary_large_image"));
    return lines;
}

}  // namespace albumon
