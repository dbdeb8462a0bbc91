// The note markers of album pages and the quoting of note lines that hold them.
#include "NoteMarkers.h"

#include <string_view>

namespace albumon {

namespace {

constexpr std::string_view kQuote = "<!-- ALBUMON NOTE LINE -->";

bool HoldsEndMarker(const std::string& line) {
    return line.find(kPreNoteEnd) != std::string::npos ||
           line.find(kPostNoteEnd) != std::string::npos;
}

bool EndsWithQuote(const std::string& line) {
    return line.size() >= kQuote.size() &&
           line.compare(line.size() - kQuote.size(), kQuote.size(), kQuote) == 0;
}

}  // namespace

std::string QuoteNoteLine(const std::string& line) {
    if (HoldsEndMarker(line) || EndsWithQuote(line))
        return line + std::string(kQuote);
    return line;
}

bool TakeNoteLine(std::string& line) {
    if (EndsWithQuote(line)) {
        line.resize(line.size() - kQuote.size());
        return true;
    }
    return !HoldsEndMarker(line);
}

}  // namespace albumon
