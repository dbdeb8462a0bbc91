// A profile (INI) file held in memory: read by the usual conventions, changed key by key, and
// written back with every line it did not change left exactly as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace albumon {

// Longest string value taken from a profile file; longer values are cut here.
inline constexpr std::size_t kProfileValueMax = 2047;

class ProfileFile {
  public:
    // Parses profile-file bytes. Lines end at CR LF, LF or CR; each keeps its own end.
    explicit ProfileFile(std::string_view bytes = {});

    // The value of key in section, or nothing when either is missing. Section and key names
    // match without regard to ASCII case and surrounding blanks; the first match counts.
    // Blanks around the value are dropped, then one pair of enclosing double quotes.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // Sets key in section: replaces its line where it stands, or adds it after the section's
    // last key, or adds the section at the end of the file. A value that would not read back
    // as it is (blanks at its ends, enclosing quotes) is written inside double quotes; a
    // value is cut at its first line break, which a profile line cannot hold.
    void SetValue(std::string_view section, std::string_view key, std::string_view value);

    // The file's bytes; new lines end with CR LF.
    std::string Bytes() const;

  private:
    struct Line {
        std::string text;
        std::string end;  // "\r\n", "\n", "\r" or empty for a last line without an end
    };

    std::optional<std::size_t> FindSection(std::string_view section) const;
    std::optional<std::size_t> FindKey(std::size_t sectionLine, std::string_view key) const;
    std::size_t SectionEnd(std::size_t sectionLine) const;
    void InsertLine(std::size_t at, std::string text);

    std::vector<Line> lines_;
};

// Reads a profile-file integer: "0x"/"0X" followed by hexadecimal digits (text longer than two
// characters), or leading blanks, an optional sign and decimal digits or "$" and hexadecimal
// digits. Anything else, empty text or a value out of the 32-bit range gives nothing.
std::optional<int> ParseProfileInteger(std::string_view text);

}  // namespace albumon
