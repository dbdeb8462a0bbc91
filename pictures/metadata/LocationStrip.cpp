// Sorting a JPEG file's metadata segments to the readers that know them, and putting the file
// together again from what they give back.
#include "metadata/LocationStrip.h"

#include <optional>
#include <vector>

#include "metadata/ByteOrder.h"
#include "metadata/ExifLocation.h"
#include "metadata/GoproLocation.h"
#include "metadata/IptcLocation.h"
#include "metadata/JpegSegments.h"
#include "metadata/XmpLocation.h"

namespace albumon {

namespace {

constexpr unsigned char kApp1 = 0xE1;
constexpr unsigned char kApp2 = 0xE2;
constexpr unsigned char kApp6 = 0xE6;
constexpr unsigned char kApp13 = 0xED;
const std::string kPhotoshopHeader("Photoshop 3.0\0", 14);
const std::string kMpfHeader("MPF\0", 4);

bool StartsWith(const std::string& payload, const std::string& header) {
    return payload.compare(0, header.size(), header) == 0;
}

// The segments of one kind that are read together, and what they are replaced by.
struct Group {
    std::vector<std::size_t> segments;
    std::vector<std::string> payloads;
};

class Stripper {
  public:
    Stripper(const std::string& bytes, int nesting)
        : bytes_(bytes),
          nesting_(nesting),
          layout_(WalkJpeg(bytes)),
          replacements_(layout_.segments.size()) {}

    LocationFree Run() {
        LocationFree result;
        if (layout_.end == 0)
            return result;
        for (std::size_t k = 0; k < layout_.segments.size(); ++k)
            Sort(k);
        ReplaceXmp();
        ReplacePhotoshop();
        bool changed = layout_.end < bytes_.size();
        for (const auto& replacement : replacements_)
            changed = changed || replacement.has_value();
        if (!changed)
            return result;
        result.changed = true;
        result.unreadable = unreadable_ || !layout_.wellFormed;
        result.bytes = RebuiltJpeg(bytes_, layout_, replacements_, false);
        return result;
    }

  private:
    void Sort(std::size_t k) {
        const JpegSegment& segment = layout_.segments[k];
        if (segment.marker != kApp1 && segment.marker != kApp2 && segment.marker != kApp6 &&
            segment.marker != kApp13)
            return;
        std::string payload = bytes_.substr(segment.offset + 4, segment.length - 4);
        if (segment.marker == kApp6) {
            if (IsGoproTelemetry(payload))
                Apply(k, GoproLocationEdit(payload), kApp6);
        } else if (segment.marker == kApp2) {
            if (StartsWith(payload, kMpfHeader))
                replacements_[k] = "";
        } else if (segment.marker == kApp13) {
            if (StartsWith(payload, kPhotoshopHeader)) {
                photoshop_.segments.push_back(k);
                photoshop_.payloads.push_back(payload.substr(kPhotoshopHeader.size()));
            } else {
                Drop(k);
            }
        } else if (StartsWith(payload, kExifHeader)) {
            Apply(k, ExifLocationEdit(payload, nesting_), kApp1);
        } else if (IsXmpPacket(payload)) {
            xmpSegments_.push_back(k);
            xmpPackets_.push_back(std::move(payload));
        } else if (IsXmpExtension(payload)) {
            xmpSegments_.push_back(k);
            xmpExtensions_.push_back(std::move(payload));
        } else {
            Drop(k);
        }
    }

    // Puts what an edit of segment k's payload decided in its place.
    void Apply(std::size_t k, const BlockEdit& edit, unsigned char marker) {
        unreadable_ = unreadable_ || edit.unreadable;
        if (edit.changed)
            replacements_[k] = edit.data.empty() ? "" : MarkerSegment(marker, edit.data);
    }

    void Drop(std::size_t k) {
        replacements_[k] = "";
        unreadable_ = true;
    }

    // Puts the segments of payloads in the place of the group's first segment.
    void Replace(const std::vector<std::size_t>& group, const std::vector<std::string>& payloads,
                 unsigned char marker) {
        std::string segments;
        for (const std::string& payload : payloads)
            segments += MarkerSegment(marker, payload);
        for (std::size_t k : group)
            replacements_[k] = k == group.front() ? segments : "";
    }

    void ReplaceXmp() {
        if (xmpSegments_.empty())
            return;
        XmpEdit edit = XmpLocationEdit(xmpPackets_, xmpExtensions_);
        unreadable_ = unreadable_ || edit.unreadable;
        if (edit.changed)
            Replace(xmpSegments_, edit.payloads, kApp1);
    }

    // The resources go back in segments as large as a segment can be.
    void ReplacePhotoshop() {
        if (photoshop_.segments.empty())
            return;
        std::string resources;
        for (const std::string& part : photoshop_.payloads)
            resources += part;
        const BlockEdit edit = PhotoshopLocationEdit(resources, nesting_);
        unreadable_ = unreadable_ || edit.unreadable;
        if (!edit.changed)
            return;
        constexpr std::size_t kPart = kMaxSegmentPayload - 14;
        std::vector<std::string> payloads;
        for (std::size_t at = 0; at < edit.data.size(); at += kPart)
            payloads.push_back(kPhotoshopHeader + edit.data.substr(at, kPart));
        Replace(photoshop_.segments, payloads, kApp13);
    }

    const std::string& bytes_;
    const int nesting_;
    const JpegLayout layout_;
    std::vector<std::optional<std::string>> replacements_;
    Group photoshop_;
    std::vector<std::size_t> xmpSegments_;
    std::vector<std::string> xmpPackets_, xmpExtensions_;
    bool unreadable_ = false;
};

}  // namespace

LocationFree JpegWithoutLocation(const std::string& bytes, int nesting) {
    return Stripper(bytes, nesting).Run();
}

}  // namespace albumon
