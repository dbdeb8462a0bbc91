// Finding a picture file's EXIF block by reading its headers only.
#include "TakenTime.h"

#include <unistd.h>

#include "ExifTags.h"
#include "FileSystem.h"
#include "HeifAdapter.h"
#include "PhotoFormats.h"

namespace albumon {

namespace {

// The largest EXIF block looked at (an APP1 segment's payload at most; HEIF and the chunk
// formats are not bound to it, ExifPayloadOf refuses larger ones).
constexpr std::uint32_t kMaxBlock = 65535;

// Reads count bytes at offset; shorter (or empty) at the end of the file or on an error.
std::string ReadAt(const FileHandle& file, std::uint64_t offset, std::size_t count) {
    std::string bytes(count, '\0');
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n =
            ::pread(file.get(), bytes.data() + got, count - got, static_cast<off_t>(offset + got));
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

std::uint32_t BigEndian(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::uint32_t LittleEndian32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The marker segments up to the first scan; the first APP1 segment holding "Exif\0\0".
std::string JpegExif(const FileHandle& file) {
    const std::string header("Exif\0\0", 6);
    std::uint64_t at = 2;
    for (;;) {
        const std::string marker = ReadAt(file, at, 4);
        if (marker.size() < 4 || static_cast<unsigned char>(marker[0]) != 0xFF)
            return {};
        const unsigned code = static_cast<unsigned char>(marker[1]);
        const std::uint32_t length = BigEndian(marker, 2, 2);
        if (code == 0xDA || code == 0xD9 || code == 0xFF || code == 0x00 || length < 2)
            return {};
        if (code == 0xE1 && length >= 2 + header.size()) {
            std::string payload = ReadAt(file, at + 4, length - 2);
            if (payload.compare(0, header.size(), header) == 0)
                return payload;
        }
        at += 2 + length;
    }
}

// The chunks after the signature, up to IEND; the eXIf chunk's data.
std::string PngExif(const FileHandle& file) {
    std::uint64_t at = 8;
    for (;;) {
        const std::string chunk = ReadAt(file, at, 8);
        if (chunk.size() < 8 || chunk.compare(4, 4, "IEND") == 0)
            return {};
        const std::uint32_t length = BigEndian(chunk, 0, 4);
        if (chunk.compare(4, 4, "eXIf") == 0)
            return length <= kMaxBlock ? ExifPayloadOf(ReadAt(file, at + 8, length)) : "";
        at += 12 + std::uint64_t{length};
    }
}

// The chunks of the RIFF container; the EXIF chunk's data.
std::string WebpExif(const FileHandle& file) {
    std::uint64_t at = 12;
    for (;;) {
        const std::string chunk = ReadAt(file, at, 8);
        if (chunk.size() < 8)
            return {};
        const std::uint32_t size = LittleEndian32(chunk, 4);
        if (chunk.compare(0, 4, "EXIF") == 0)
            return size <= kMaxBlock ? ExifPayloadOf(ReadAt(file, at + 8, size)) : "";
        at += 8 + std::uint64_t{size} + (size & 1);
    }
}

}  // namespace

std::string HeaderExif(const std::string& path) {
    FileHandle file;
    if (OpenInputFile(path, kNoSizeLimit, file) != 0)
        return {};
    switch (SniffPicture(ReadAt(file, 0, 64))) {
        case pkJpeg:
            return JpegExif(file);
        case pkPng:
            return PngExif(file);
        case pkWebp:
            return WebpExif(file);
        case pkHeif:
            return HeifFileExif(path);
        default:
            return {};
    }
}

std::optional<std::int64_t> TakenTime(const std::string& path) {
    return ExifTakenTime(HeaderExif(path));
}

}  // namespace albumon
