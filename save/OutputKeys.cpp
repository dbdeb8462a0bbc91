// The keys of the files a save makes of an entry.
#include "OutputKeys.h"

#include <sys/stat.h>

#include <cstdint>

#include "renditions/ConvertedPictures.h"

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

std::optional<EntryKeys> EntryKeys::Of(const EntryJob& job) {
    struct stat st {};
    if (::stat(job.SourcePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    // What every file of the entry depends on: the source as it is now, its turn, the way it is
    // decoded, the libraries and the pipeline.
    std::string common;
    Part(common, "pipeline", kPicturePipelineVersion);
    Part(common, "codecs", CodecVersions());
    Part(common, "source", job.SourcePath);
    Part(common, "size", static_cast<long long>(st.st_size));
    Part(common, "mtime",
         static_cast<long long>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);
    Part(common, "file", static_cast<long long>(st.st_ino));
    Part(common, "turn", job.Rotation);
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
