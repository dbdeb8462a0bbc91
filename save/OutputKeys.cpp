// The keys of the files a save makes of an entry and of the link-preview covers.
#include "OutputKeys.h"

#include <sys/stat.h>

#include <cstdint>

#include "renditions/ConvertedPictures.h"
#include "renditions/Cover.h"

namespace albumon {

namespace {

// One part of a key's text: a name, its value and a line end (the values hold no line end but
// the source path, which comes last in its line's group and is measured).
void Part(std::string& text, std::string_view name, std::string_view value) {
    text += name;
    text += '=';
    text += std::to_string(value.size());
    text += ':';
    text += value;
    text += '\n';
}

void Part(std::string& text, std::string_view name, long long value) {
    Part(text, name, std::to_string(value));
}

// What every file made of a source depends on: the source as it is now, its turn, the libraries
// and the pipeline. Nothing when the source is no plain file.
std::optional<std::string> SourcePart(const std::string& sourcePath, int rotation) {
    struct stat st {};
    if (::stat(sourcePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    std::string common;
    Part(common, "pipeline", kPicturePipelineVersion);
    Part(common, "codecs", CodecVersions());
    Part(common, "source", sourcePath);
    Part(common, "size", static_cast<long long>(st.st_size));
    Part(common, "mtime",
         static_cast<long long>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);
    Part(common, "file", static_cast<long long>(st.st_ino));
    Part(common, "turn", rotation);
    return common;
}

}  // namespace

std::string Digest(std::string_view bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string CodecVersions() {
    return ALBUMON_CODEC_VERSIONS;
}

std::optional<std::string> CoverKey(const std::string& sourcePath, int rotation) {
    std::optional<std::string> cover = SourcePart(sourcePath, rotation);
    if (!cover)
        return std::nullopt;
    // A cover is decoded from the source itself, shown as its orientation asks, whatever the
    // entry's own pictures are converted or turned with.
    Part(*cover, "kind", "cover");
    Part(*cover, "orientation", "applied");
    Part(*cover, "settings", CoverSettings());
    return Digest(*cover);
}

std::optional<EntryKeys> EntryKeys::Of(const EntryJob& job) {
    // What every file of the entry depends on, and the way it is decoded.
    std::optional<std::string> source = SourcePart(job.SourcePath, job.Rotation);
    if (!source)
        return std::nullopt;
    std::string& common = *source;
    const bool converted = IsConvertedSource(job.SourcePath);
    Part(common, "converted", converted);
    // A converted source gives all its files from one decode at its conversion quality.
    if (converted)
        Part(common, "conversion", job.Photo.ConvertQuality);
    EntryKeys keys;
    std::string thumbnail = common;
    Part(thumbnail, "kind", "thumbnail");
    Part(thumbnail, "panel", job.PanelWidth);
    Part(thumbnail, "thumbsize", job.ThumbSize);
    keys.thumbnail_ = Digest(thumbnail);
    std::string picture = common;
    Part(picture, "kind", "picture");
    Part(picture, "quality", job.Quality);
    Part(picture, "lossless", job.Photo.LosslessTurns);
    Part(picture, "strip", job.Photo.StripLocation);
    keys.picture_ = Digest(picture);
    // Screen sizes come from the turned output's own decode when it is re-encoded, and the
    // phones' extra copy depends on the sides asked for.
    std::string screens = common;
    Part(screens, "kind", "screen");
    Part(screens, "lossless", job.Photo.LosslessTurns);
    std::string sides;
    for (const int side : job.ScreenSides)
        sides += std::to_string(side) + ",";
    Part(screens, "sides", sides);
    keys.screenBase_ = screens;
    return keys;
}

std::string EntryKeys::Screen(int side) const {
    std::string text = screenBase_;
    Part(text, "side", side);
    return Digest(text);
}

}  // namespace albumon
