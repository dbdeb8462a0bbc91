// A profile (INI) file held in memory: parsing, look-up, change in place and writing back.
#include "ProfileFile.h"

#include <cstdint>

#include "Paths.h"

namespace albumon {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    return AsciiLower(TrimBlanks(a)) == AsciiLower(TrimBlanks(b));
}

bool IsComment(std::string_view trimmed) {
    return !trimmed.empty() && (trimmed.front() == ';' || trimmed.front() == '#');
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed.front() != '[')
        return std::nullopt;
    auto close = trimmed.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return TrimBlanks(trimmed.substr(1, close - 1));
}

// The key and raw value of a "key=value" line, or nothing for any other line.
struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    std::string_view trimmed = TrimBlanks(line);
    if (IsComment(trimmed) || SectionName(line))
        return std::nullopt;
    auto eq = trimmed.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    std::string_view key = TrimBlanks(trimmed.substr(0, eq));
    if (key.empty())
        return std::nullopt;
    return KeyLine{key, TrimBlanks(trimmed.substr(eq + 1))};
}

bool Enclosed(std::string_view value) {
    return value.size() >= 2 && value.front() == '"' && value.back() == '"';
}

std::string ReadBackValue(std::string_view raw) {
    if (Enclosed(raw))
        raw = raw.substr(1, raw.size() - 2);
    return std::string(raw.substr(0, kProfileValueMax));
}

std::string WrittenValue(std::string_view value) {
    value = value.substr(0, value.find_first_of("\r\n"));
    bool needsQuotes =
        Enclosed(value) || (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back())));
    if (!needsQuotes)
        return std::string(value);
    return "\"" + std::string(value) + "\"";
}

// Hexadecimal digits up to 32 bits; the bit pattern is taken as a signed value.
std::optional<std::uint32_t> ParseHexDigits(std::string_view digits) {
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        int d = HexDigitValue(c);
        if (d < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(d);
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<std::uint64_t> ParseDecimalDigits(std::string_view digits) {
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0x80000000u)
            return std::nullopt;
    }
    return value;
}

}  // namespace

ProfileFile::ProfileFile(std::string_view bytes) {
    std::size_t start = 0;
    while (start < bytes.size()) {
        auto stop = bytes.find_first_of("\r\n", start);
        if (stop == std::string_view::npos) {
            lines_.push_back({std::string(bytes.substr(start)), ""});
            break;
        }
        std::size_t endLength = bytes.compare(stop, 2, "\r\n") == 0 ? 2 : 1;
        lines_.push_back({std::string(bytes.substr(start, stop - start)),
                          std::string(bytes.substr(stop, endLength))});
        start = stop + endLength;
    }
}

std::optional<std::size_t> ProfileFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        auto name = SectionName(lines_[i].text);
        if (name && SameName(*name, section))
            return i;
    }
    return std::nullopt;
}

std::size_t ProfileFile::SectionEnd(std::size_t sectionLine) const {
    std::size_t i = sectionLine + 1;
    while (i < lines_.size() && !SectionName(lines_[i].text))
        ++i;
    return i;
}

std::optional<std::size_t> ProfileFile::FindKey(std::size_t sectionLine,
                                                std::string_view key) const {
    std::size_t end = SectionEnd(sectionLine);
    for (std::size_t i = sectionLine + 1; i < end; ++i) {
        auto parsed = ParseKeyLine(lines_[i].text);
        if (parsed && SameName(parsed->key, key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> ProfileFile::Value(std::string_view section,
                                              std::string_view key) const {
    auto sectionLine = FindSection(section);
    if (!sectionLine)
        return std::nullopt;
    auto keyLine = FindKey(*sectionLine, key);
    if (!keyLine)
        return std::nullopt;
    return ReadBackValue(ParseKeyLine(lines_[*keyLine].text)->value);
}

void ProfileFile::InsertLine(std::size_t at, std::string text) {
    if (at > 0 && lines_[at - 1].end.empty())
        lines_[at - 1].end = "\r\n";
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), {std::move(text), "\r\n"});
}

void ProfileFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    std::string text = std::string(key) + "=" + WrittenValue(value);
    auto sectionLine = FindSection(section);
    if (!sectionLine) {
        InsertLine(lines_.size(), "[" + std::string(section) + "]");
        InsertLine(lines_.size(), std::move(text));
        return;
    }
    if (auto keyLine = FindKey(*sectionLine, key)) {
        lines_[*keyLine].text = std::move(text);
        return;
    }
    std::size_t after = *sectionLine;
    std::size_t end = SectionEnd(*sectionLine);
    for (std::size_t i = *sectionLine + 1; i < end; ++i) {
        if (ParseKeyLine(lines_[i].text))
            after = i;
    }
    InsertLine(after + 1, std::move(text));
}

std::string ProfileFile::Bytes() const {
    std::string bytes;
    for (const auto& line : lines_)
        bytes += line.text + line.end;
    return bytes;
}

std::optional<int> ParseProfileInteger(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        auto value = ParseHexDigits(text.substr(2));
        if (!value)
            return std::nullopt;
        return static_cast<int>(*value);
    }
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '$') {
        auto value = ParseHexDigits(text.substr(1));
        if (!value)
            return std::nullopt;
        return static_cast<int>(negative ? 0u - *value : *value);
    }
    auto value = ParseDecimalDigits(text);
    if (!value || *value > (negative ? 0x80000000u : 0x7FFFFFFFu))
        return std::nullopt;
    return negative ? static_cast<int>(-static_cast<std::int64_t>(*value))
                    : static_cast<int>(*value);
}

}  // namespace albumon
