// Photos tagged with the place they were taken in every way programs store one: EXIF GPS, an XMP
// packet (attributes and elements), extended XMP, IPTC-IIM in a Photoshop block beside other
// datasets, action camera telemetry, an MPF secondary picture and an EXIF thumbnail with places
// of their own; and what their
// outputs must show.
#pragma once

#include <string>
#include <vector>

namespace albumon::test {

struct LocatedParts {
    bool exifGps = true;
    bool xmp = true;
    bool extended = true;  // extended XMP (needs xmp), in two parts
    bool iptc = true;
    bool mpf = true;
    bool unreadable = false;  // an XMP packet and a Photoshop block that do not parse
    bool progressive = false;
    bool thumbnail = false;  // an EXIF thumbnail with EXIF GPS and an XMP packet of its own
    bool telemetry = false;  // an action camera's APP6 telemetry with GPS records
};

// A 64 x 48 phone photo (orientation 6) with the parts asked for.
std::string LocatedJpeg(const LocatedParts& parts);

// Texts that tell the place; texts of the other metadata the photo carries (XMP and IPTC).
const std::vector<std::string>& PlaceTexts();
const std::vector<std::string>& KeptTexts();

// The telemetry's device name, kept.
constexpr const char* kTelemetryKept = "Hero Camera";

// The extended XMP's other property, and the text of a property of its own.
constexpr const char* kExtendedKept = "depth-map-of-the-harbour";

// The APP1 segment of an XMP packet or of a part of extended XMP, and an IPTC-IIM dataset.
std::string XmpSegment(const std::string& packet);
std::string ExtensionSegment(const std::string& guid, const std::string& text, std::size_t at,
                             std::size_t size);
std::string Dataset(int record, int number, const std::string& value);

// A Photoshop APP13 segment with the resources given as (id, data).
std::string PhotoshopSegment(const std::vector<std::pair<int, std::string>>& resources);

// The file with segments placed right after its first marker segment.
std::string WithSegments(const std::string& jpeg, const std::string& segments);

// Whether some EXIF block anywhere in the bytes (secondary pictures included) has GPS entries.
bool AnyExifGps(const std::string& bytes);

}  // namespace albumon::test
