// Walking the marker segments in front of a JPEG file's first scan.
#include "metadata/JpegSegments.h"

#include "metadata/ByteOrder.h"

#include <algorithm>

namespace albumon {

namespace {

constexpr unsigned char kApp1 = 0xE1;
constexpr unsigned char kStartOfScan = 0xDA;

std::string Payload(const std::string& bytes, const JpegSegment& segment) {
    return bytes.substr(segment.offset + 4, segment.length - 4);
}

bool IsExif(const std::string& bytes, const JpegSegment& segment) {
    return segment.marker == kApp1 && segment.length >= 4 + kExifHeader.size() &&
           bytes.compare(segment.offset + 4, kExifHeader.size(), kExifHeader) == 0;
}

}  // namespace

void WalkHeaderSegments(const ByteSource& read,
                        const std::function<bool(const JpegSegment&)>& visit) {
    for (std::uint64_t at = 2;;) {
        const std::string head = read(at, 4);
        if (head.size() < 4 || ByteAt(head, 0) != 0xFF)
            return;
        const auto marker = static_cast<unsigned char>(ByteAt(head, 1));
        if (marker == kStartOfScan || marker == 0xFF || marker == 0x00)
            return;
        const std::size_t length = 2 + BigEndian(head, 2, 2);
        if (length < 4 || !visit({static_cast<std::size_t>(at), length, marker}))
            return;
        at += length;
    }
}

std::vector<JpegSegment> HeaderSegments(const std::string& bytes) {
    std::vector<JpegSegment> segments;
    if (bytes.size() < 4 || ByteAt(bytes, 0) != 0xFF || ByteAt(bytes, 1) != 0xD8)
        return segments;
    const ByteSource read = [&bytes](std::uint64_t at, std::size_t count) {
        return at < bytes.size() ? bytes.substr(at, count) : std::string();
    };
    WalkHeaderSegments(read, [&](const JpegSegment& segment) {
        if (segment.offset + segment.length > bytes.size())
            return false;
        segments.push_back(segment);
        return true;
    });
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
            result += MarkerSegment(kApp1, payload);
        placed = true;
        copied = segment.offset + segment.length;
    }
    result.append(bytes, copied, std::string::npos);
    return result;
}

namespace {

// Where the entropy-coded data starting at at ends: the 0xFF of the next marker that is neither
// a stuffed zero nor a restart marker, or the size when the data just ends.
std::size_t EntropyEnd(const std::string& bytes, std::size_t at) {
    for (;;) {
        const std::size_t ff = bytes.find('\xFF', at);
        if (ff == std::string::npos || ff + 1 >= bytes.size())
            return bytes.size();
        const unsigned next = ByteAt(bytes, ff + 1);
        if (next != 0x00 && next != 0xFF && (next < 0xD0 || next > 0xD7))
            return ff;
        at = ff + (next == 0xFF ? 1 : 2);
    }
}

}  // namespace

JpegLayout WalkJpeg(const std::string& bytes) {
    JpegLayout layout;
    if (bytes.size() < 2 || ByteAt(bytes, 0) != 0xFF || ByteAt(bytes, 1) != 0xD8)
        return layout;
    std::size_t at = 2;
    for (;;) {
        layout.end = at;
        if (at >= bytes.size()) {
            layout.wellFormed = true;
            return layout;
        }
        if (ByteAt(bytes, at) != 0xFF)
            return layout;
        std::size_t fill = at + 1;
        while (fill < bytes.size() && ByteAt(bytes, fill) == 0xFF)
            ++fill;
        if (fill >= bytes.size())
            return layout;
        const unsigned char marker = static_cast<unsigned char>(ByteAt(bytes, fill));
        if (marker == 0xD9) {
            layout.end = fill + 1;
            layout.wellFormed = true;
            return layout;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at = fill + 1;
            continue;
        }
        if (marker == 0x00 || marker == 0xD8 || fill + 3 > bytes.size())
            return layout;
        const std::size_t length = 2 + BigEndian(bytes, fill + 1, 2);
        if (length < 4 || fill - 1 + length > bytes.size())
            return layout;
        layout.segments.push_back({fill - 1, length, marker});
        at = fill - 1 + length;
        if (marker == kStartOfScan)
            at = EntropyEnd(bytes, at);
    }
}

std::string RebuiltJpeg(const std::string& bytes, const JpegLayout& layout,
                        const std::vector<std::optional<std::string>>& replacements,
                        bool keepTail) {
    std::string result;
    std::size_t copied = 0;
    std::size_t previousEnd = 2;  // where the segment before this one ends (the start marker)
    for (std::size_t k = 0; k < layout.segments.size() && k < replacements.size(); ++k) {
        const JpegSegment& segment = layout.segments[k];
        const std::size_t gapStart = std::max(copied, previousEnd);
        previousEnd = segment.offset + segment.length;
        if (!replacements[k])
            continue;
        // Fill bytes in front of a dropped segment go with it (entropy-coded data never ends
        // in 0xFF: a data byte 0xFF is always followed by a stuffed zero); the segment before
        // it keeps every byte of its own, 0xFF or not.
        std::size_t gapEnd = segment.offset;
        while (replacements[k]->empty() && gapEnd > gapStart && ByteAt(bytes, gapEnd - 1) == 0xFF)
            --gapEnd;
        result.append(bytes, copied, gapEnd - copied);
        result += *replacements[k];
        copied = segment.offset + segment.length;
    }
    result.append(bytes, copied, (keepTail ? bytes.size() : layout.end) - copied);
    return result;
}

std::string MarkerSegment(unsigned char marker, const std::string& payload) {
    const std::size_t length = payload.size() + 2;
    std::string segment{'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8),
                        static_cast<char>(length & 0xFF)};
    return segment + payload;
}

std::optional<std::pair<std::int32_t, std::int32_t>> FrameSize(const std::string& bytes) {
    for (const JpegSegment& segment : HeaderSegments(bytes)) {
        const unsigned char m = segment.marker;
        const bool frame = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (!frame || segment.length < 9)
            continue;
        const std::size_t at = segment.offset;
        const std::int32_t height = static_cast<std::int32_t>(BigEndian(bytes, at + 5, 2));
        const std::int32_t width = static_cast<std::int32_t>(BigEndian(bytes, at + 7, 2));
        return std::make_pair(width, height);
    }
    return std::nullopt;
}

}  // namespace albumon
