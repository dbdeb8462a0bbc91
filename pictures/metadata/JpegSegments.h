// The marker segments in front of a JPEG file's first scan: finding the EXIF block and the frame
// size, and exchanging the EXIF block without touching anything else of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace albumon {

// One marker segment: where its 0xFF starts, its whole length (marker included) and its code.
struct JpegSegment {
    std::size_t offset = 0;
    std::size_t length = 0;
    unsigned char marker = 0;
};

// The segments from the start-of-image marker up to the first scan (not included); stops early
// at data that is not a well-formed segment.
std::vector<JpegSegment> HeaderSegments(const std::string& bytes);

// Reads count bytes at offset of a file or of bytes in memory; shorter (or empty) at the end.
using ByteSource = std::function<std::string(std::uint64_t offset, std::size_t count)>;

// Walks the segments after the start-of-image marker up to the first scan, reading each one's
// marker and length through read, and hands them to visit (their payloads unread) while it
// returns true. Stops at the first scan and at data that is no segment: no 0xFF, a fill byte, a
// stuffed zero, a length below 2, or fewer than four bytes left.
void WalkHeaderSegments(const ByteSource& read,
                        const std::function<bool(const JpegSegment&)>& visit);

// The EXIF payload ("Exif\0\0" and what follows) of the first EXIF APP1 segment, or empty.
std::string ExifPayload(const std::string& bytes);

// The file with its EXIF APP1 segments replaced by one carrying payload (none when payload is
// empty), in the place of the first; every other byte stays as it was.
std::string WithExifPayload(const std::string& bytes, const std::string& payload);

// The marker segments of a whole file, across all its scans, and where its first picture ends.
struct JpegLayout {
    std::vector<JpegSegment> segments;  // every segment with a length; not the entropy-coded data
    std::size_t end = 0;  // just past the end-of-image marker, or the size when the data just ends
    bool wellFormed = false;  // false: bytes from end on are not marker structure (or no JPEG)
};
JpegLayout WalkJpeg(const std::string& bytes);

// The file with the segments marked in replacements replaced by the bytes given (an empty string
// drops the segment), the bytes between segments kept, and cut at layout.end unless keepTail.
std::string RebuiltJpeg(const std::string& bytes, const JpegLayout& layout,
                        const std::vector<std::optional<std::string>>& replacements, bool keepTail);

// An APPn marker segment (marker and length) around payload.
std::string MarkerSegment(unsigned char marker, const std::string& payload);

// Width and height from the frame header, when there is one.
std::optional<std::pair<std::int32_t, std::int32_t>> FrameSize(const std::string& bytes);

}  // namespace albumon
