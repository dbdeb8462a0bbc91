// The comment lines that frame a note on an album page, and how a note line that holds one of
// them is written so that reading the page back still finds the note's real end.
#pragma once

#include <string>

namespace albumon {

inline constexpr const char* kPreNoteBegin = "<!-- ALBUMON PRENOTE BEGIN -->";
inline constexpr const char* kPostNoteBegin = "<!-- ALBUMON POSTNOTE BEGIN -->";
inline constexpr const char* kPreNoteEnd = "<!-- ALBUMON PRENOTE END -->";
inline constexpr const char* kPostNoteEnd = "<!-- ALBUMON POSTNOTE END -->";

// A note line as the page holds it: a line that holds an end marker, or that already ends with
// the quoting comment, gets the quoting comment appended (an empty HTML comment at the end of
// the line, which shows nothing); any other line stays as it is.
std::string QuoteNoteLine(const std::string& line);

// Reading a page back: true for a line of the note (the quoting comment removed again), false
// for the line that ends the note. A line without the quoting comment ends the note when it
// holds an end marker, as pages written before the quoting did.
bool TakeNoteLine(std::string& line);

}  // namespace albumon
