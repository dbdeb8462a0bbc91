// Link previews: the Open Graph and Twitter card tags that messengers and social sites read from
// a page (their crawlers run no script), with the escaping of the texts and addresses they hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "AlbumState.h"

namespace albumon {

// The block placeholder of the preview tags.
inline constexpr const char* kPreviewPlaceholder = "$$$PREVIEW$$$";

// The cover of the index page, in the album's picture sub-folder; a page's cover is named after
// its picture (PageCoverName), so neither can take another file's name there.
inline constexpr const char* kIndexCoverName = "albumon-cover.jpg";

// outName without its extension + ".cover.jpg" (trip001.jpg gives trip001.cover.jpg).
std::string PageCoverName(const std::string& outName);

// A page's cover: its path relative to the output folder (empty when there is none) and size.
struct PreviewImage {
    std::string path;
    int width = 0;
    int height = 0;
};

// What one page tells a crawler.
struct LinkPreview {
    std::string type;  // "website" for the index page, "article" for a picture's page
    std::string title;
    std::string description;
    std::string url;    // the page's public address
    std::string image;  // the cover's public address; empty when there is none
    int imageWidth = 0;
    int imageHeight = 0;
};

// text as the text of an HTML element or the value of a quoted attribute: "&", "<", ">", '"'
// and "'" as character references, control characters (tabs and line ends included) as spaces.
std::string HtmlText(std::string_view text);

// Whether byte is one of URL's unreserved characters (ASCII letters, digits, "-", ".", "_", "~").
bool UnreservedUrlByte(unsigned char byte);

// text with every byte that plain refuses percent-escaped (%XX, upper-case hexadecimal).
std::string PercentEscaped(std::string_view text, bool (*plain)(unsigned char));

// A relative path as a URL path: "/" and the unreserved ASCII characters stay, every other byte
// (spaces, "%", "#", "?", non-ASCII) is percent-escaped.
std::string UrlPath(std::string_view path);

// The public address of the file at relativePath (from the output folder): publicUrl, its
// spaces, non-ASCII bytes and the characters no URL holds as they are percent-escaped, with a
// "/" added when it has none at its end, then the path escaped (UrlPath).
std::string PublicAddress(const std::string& publicUrl, const std::string& relativePath);

// "N 枚の写真".
std::string PhotoCountText(int count);

// The index page's preview: the head text, the number of photos, the index page's address and
// the cover's.
LinkPreview IndexPreview(const AlbumState& state, const std::string& head,
                         const std::string& publicUrl, const PreviewImage& cover);

// The preview of entry k's page: its caption (its picture's name when its note has no text),
// its note's first line (or the number of photos), its page's address and the cover's.
LinkPreview PagePreview(const AlbumState& state, const std::string& head, int k,
                        const std::string& publicUrl, const PreviewImage& cover);

// The meta elements of a preview, one a line: og:type, og:title, og:description, og:url, then
// with a cover og:image with its size and twitter:card summary_large_image, without one
// twitter:card summary.
std::vector<std::string> PreviewTagLines(const LinkPreview& preview);

}  // namespace albumon
