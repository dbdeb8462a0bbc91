// The numbers of binary metadata read and written byte by byte (most significant byte first, or
// least first where a TIFF header or a RIFF container says so), and the header an EXIF block
// carries as an APP1 payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace albumon {

// What an EXIF block starts with as an APP1 payload; its TIFF structure follows.
inline const std::string kExifHeader("Exif\0\0", 6);

// The largest payload one marker segment can carry (its length counts its own two bytes).
inline constexpr std::size_t kMaxSegmentPayload = 65533;

// The byte at `at`, 0..255.
inline unsigned ByteAt(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

// The number in the size bytes (at most 8) from `at` on, which must lie inside bytes, least
// significant byte first when little, else most significant first.
inline std::uint64_t NumberAt(std::string_view bytes, std::size_t at, int size, bool little) {
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i)
        value = value << 8 | ByteAt(bytes, at + (little ? size - 1 - i : i));
    return value;
}

inline std::uint64_t BigEndian(std::string_view bytes, std::size_t at, int size) {
    return NumberAt(bytes, at, size, false);
}

inline std::uint64_t LittleEndian(std::string_view bytes, std::size_t at, int size) {
    return NumberAt(bytes, at, size, true);
}

// value in size bytes, most significant byte first.
inline std::string BigEndianBytes(std::uint64_t value, int size) {
    std::string bytes;
    for (int i = size - 1; i >= 0; --i)
        bytes += static_cast<char>(value >> (8 * i) & 0xFF);
    return bytes;
}

// Writes value into the size bytes from `at` on, which must lie inside bytes.
inline void WriteNumberAt(std::string& bytes, std::size_t at, std::uint64_t value, int size,
                          bool little) {
    for (int i = 0; i < size; ++i)
        bytes[at + (little ? i : size - 1 - i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

// Whether the TIFF header at `at` declares little-endian numbers ("II*\0") or big-endian ones
// ("MM\0*"); none when it is neither or its eight bytes do not fit.
inline std::optional<bool> TiffLittleEndian(std::string_view bytes, std::size_t at) {
    if (at > bytes.size() || bytes.size() - at < 8)
        return std::nullopt;
    if (bytes.compare(at, 4, std::string_view("II*\0", 4)) == 0)
        return true;
    if (bytes.compare(at, 4, std::string_view("MM\0*", 4)) == 0)
        return false;
    return std::nullopt;
}

}  // namespace albumon
