// Walking the marker segments in front of a JPEG file's first scan.
#include "JpegSegments.h"

namespace albumon {

namespace {

constexpr unsigned char kApp1 = 0xE1;
constexpr unsigned char kStartOfScan = 0xDA;
const std::string kExifHeader("Exif\0\0", 6);

unsigned Byte(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

std::string Payload(const std::string& bytes, const JpegSegment& segment) {
    return bytes.substr(segment.offset + 4, segment.length - 4);
}

bool IsExif(const std::string& bytes, const JpegSegment& segment) {
    return segment.marker == kApp1 && segment.length >= 4 + kExifHeader.size() &&
           bytes.compare(segment.offset + 4, kExifHeader.size(), kExifHeader) == 0;
}

bool IsXmpWithLocation(const std::string& bytes, const JpegSegment& segment) {
    return segment.marker == kApp1 && !IsExif(bytes, segment) &&
           Payload(bytes, segment).find("GPS") != std::string::npos;
}

std::string Segment(const std::string& payload) {
    const std::size_t length = payload.size() + 2;
    std::string segment{'\xFF', static_cast<char>(kApp1), static_cast<char>(length >> 8),
                        static_cast<char>(length & 0xFF)};
    return segment + payload;
}

}  // namespace

std::vector<JpegSegment> HeaderSegments(const std::string& bytes) {
    std::vector<JpegSegment> segments;
    if (bytes.size() < 4 || Byte(bytes, 0) != 0xFF || Byte(bytes, 1) != 0xD8)
        return segments;
    std::size_t at = 2;
    while (at + 4 <= bytes.size() && Byte(bytes, at) == 0xFF) {
        const unsigned char marker = static_cast<unsigned char>(Byte(bytes, at + 1));
        if (marker == kStartOfScan || marker == 0xFF || marker == 0x00)
            break;
        const std::size_t length = 2 + (Byte(bytes, at + 2) << 8 | Byte(bytes, at + 3));
        if (length < 4 || at + length > bytes.size())
            break;
        segments.push_back({at, length, marker});
        at += length;
    }
    return segments;
}

std::string ExifPayload(const std::string& bytes) {
    for (const JpegSegment& segment : HeaderSegments(bytes)) {
        if (IsExif(bytes, segment))
            return Payload(bytes, segment);
    }
    return {};
}

std::string WithExifPayload(const std::string& bytes, const std::string& payload) {
    std::string result;
    std::size_t copied = 0;
    bool placed = false;
    for (const JpegSegment& segment : HeaderSegments(bytes)) {
        if (!IsExif(bytes, segment))
            continue;
        result.append(bytes, copied, segment.offset - copied);
        if (!placed && !payload.empty())
            result += Segment(payload);
        placed = true;
        copied = segment.offset + segment.length;
    }
    result.append(bytes, copied, std::string::npos);
    return result;
}

bool XmpHasLocation(const std::string& bytes) {
    for (const JpegSegment& segment : HeaderSegments(bytes)) {
        if (IsXmpWithLocation(bytes, segment))
            return true;
    }
    return false;
}

std::string WithoutXmpLocation(const std::string& bytes) {
    std::string result;
    std::size_t copied = 0;
    for (const JpegSegment& segment : HeaderSegments(bytes)) {
        if (!IsXmpWithLocation(bytes, segment))
            continue;
        result.append(bytes, copied, segment.offset - copied);
        copied = segment.offset + segment.length;
    }
    result.append(bytes, copied, std::string::npos);
    return result;
}

std::optional<std::pair<std::int32_t, std::int32_t>> FrameSize(const std::string& bytes) {
    for (const JpegSegment& segment : HeaderSegments(bytes)) {
        const unsigned char m = segment.marker;
        const bool frame = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (!frame || segment.length < 9)
            continue;
        const std::size_t at = segment.offset;
        const std::int32_t height =
            static_cast<std::int32_t>(Byte(bytes, at + 5) << 8 | Byte(bytes, at + 6));
        const std::int32_t width =
            static_cast<std::int32_t>(Byte(bytes, at + 7) << 8 | Byte(bytes, at + 8));
        return std::make_pair(width, height);
    }
    return std::nullopt;
}

}  // namespace albumon
