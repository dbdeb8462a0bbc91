// The static photo list of an index page.
#include "PhotoList.h"

#include <cmath>
#include <cstdio>

#include "LinkPreview.h"
#include "Paths.h"

namespace albumon {

namespace {

// The width and height of a picture of width x height scaled to long side side, the short side
// rounded as the default template's script rounds it.
std::pair<int, int> ScaledTo(int width, int height, int side) {
    if (width >= height)
        return {side, std::max(1, static_cast<int>(std::lround(1.0 * height * side / width)))};
    return {std::max(1, static_cast<int>(std::lround(1.0 * width * side / height))), side};
}

std::string Density(double density) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", density);
    return text;
}

// The img element of entry i's card.
std::string CardImage(const AlbumState& state, const std::string& folder,
                      const AlbumPictures* pictures, int i, const std::string& alt) {
    const std::string& name = state.Entries[i].OutName;
    const EntryPicture* picture =
        pictures && static_cast<std::size_t>(i) < pictures->entries.size() &&
                pictures->entries[i].width > 0 && pictures->entries[i].height > 0
            ? &pictures->entries[i]
            : nullptr;
    std::string attributes;
    if (!picture) {
        attributes = "src=\"" + HtmlText(folder + UrlPath(state.ThumbPrefix + name)) + "\"";
    } else {
        std::vector<int> cards;
        for (const ScreenFile& file : picture->files) {
            if (!file.display)
                cards.push_back(file.side);
        }
        const int longSide = std::max(picture->width, picture->height);
        const int base = cards.empty() ? longSide : cards.front();
        const auto card = [&](int side) {
            return folder + UrlPath(pictures->folder + "/" + ScreenPictureName(name, side));
        };
        std::string srcset;
        for (std::size_t c = 1; c < cards.size(); ++c)
            srcset += (srcset.empty() ? "" : ", ") + card(cards[c]) + " " +
                      Density(1.0 * cards[c] / base) + "x";
        // Cards short of three times the smallest: the picture itself serves beyond them.
        if (!cards.empty() && cards.back() < 3 * base)
            srcset += (srcset.empty() ? "" : ", ") + folder + UrlPath(name) + " " +
                      Density(1.0 * longSide / base) + "x";
        const auto [width, height] = ScaledTo(picture->width, picture->height, base);
        attributes = "src=\"" + HtmlText(cards.empty() ? folder + UrlPath(name) : card(base)) +
                     "\"" + (srcset.empty() ? "" : " srcset=\"" + HtmlText(srcset) + "\"") +
                     " width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
                     "\"";
    }
    return "<img " + attributes + " alt=\"" + HtmlText(alt) +
           "\" loading=\"lazy\" decoding=\"async\">";
}

}  // namespace

std::string AlbumFolderUrl(const std::string& head) {
    return UrlPath(head + ".files");
}

std::vector<std::string> PhotoListLines(const AlbumState& state, const std::string& head,
                                        const AlbumPictures* pictures) {
    const std::string folder = AlbumFolderUrl(head) + "/";
    std::vector<std::string> lines;
    for (int i = 0; i < state.EntryCount; ++i) {
        const EntryRecord& entry = state.Entries[i];
        const std::string number = std::to_string(i + 1);
        const std::string caption = NoteCaption(state, entry);
        const bool page = entry.NotePos != npNone;
        const std::string href =
            folder + UrlPath(page ? ReplaceExtension(entry.OutName, ".htm") : entry.OutName);
        const std::string alt =
            caption.empty() ? entry.OutName.substr(0, entry.OutName.rfind('.')) : caption;
        lines.push_back(
            std::string("<li class=\"card\"><a class=\"card-link") + (page ? " has-page" : "") +
            "\" href=\"" + HtmlText(href) + "\"><span class=\"thumb\">" +
            CardImage(state, folder, pictures, i, alt) +
            "</span><span class=\"caption\"><span class=\"number\">" + number + "</span>" +
            (caption.empty() ? "" : "<span class=\"name\">" + HtmlText(caption) + "</span>") +
            "</span>" + (page ? "<span class=\"badge\">解説</span>" : "") + "</a></li>");
    }
    return lines;
}

}  // namespace albumon
