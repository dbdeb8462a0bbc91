// Located test photos assembled segment by segment around a phone photo from PhotoFixtures.
#include "LocationFixtures.h"

#include <libexif/exif-data.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "codecs/JpegCodec.h"
#include "metadata/BlockEdit.h"
#include "metadata/JpegSegments.h"

namespace albumon::test {

namespace {

std::string BigEndian(std::size_t value, int size) {
    std::string bytes;
    for (int i = size - 1; i >= 0; --i)
        bytes += static_cast<char>(value >> (8 * i) & 0xFF);
    return bytes;
}

// Places in attributes and elements, in two descriptions (a drone's position among them), beside a
// creator, copyright, caption and keywords.
std::string MainPacket(const std::string& guid) {
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
           "<rdf:Description rdf:about=\"\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" "
           "xmlns:photoshop=\"http://ns.adobe.com/photoshop/1.0/\" "
           "xmlns:Iptc4xmpCore=\"http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/\" "
           "xmlns:xmpNote=\"http://ns.adobe.com/xmp/note/\" exif:GPSLatitude=\"35,39.48N\" "
           "photoshop:City=\"Tokyo\" Iptc4xmpCore:CountryCode=\"JPN\" "
           "xmlns:drone-dji=\"http://www.dji.com/drone-dji/1.0/\" "
           "drone-dji:GpsLatitude=\"35.658100\" drone-dji:GpsLongtitude=\"139.741400\" "
           "drone-dji:AbsoluteAltitude=\"+40.25\" drone-dji:GimbalYawDegree=\"-12.5\"" +
           (guid.empty() ? "" : " xmpNote:HasExtendedXMP=\"" + guid + "\"") +
           "><exif:GPSLongitude>139,44.1E</exif:GPSLongitude>"
           "<photoshop:State>Tokyo</photoshop:State>"
           "<Iptc4xmpCore:Location>Minato</Iptc4xmpCore:Location>"
           "<dc:creator xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><rdf:Seq>"
           "<rdf:li>Hanako Yamada</rdf:li></rdf:Seq></dc:creator>"
           "</rdf:Description>"
           "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
           "xmlns:photoshop=\"http://ns.adobe.com/photoshop/1.0/\" "
           "xmlns:Iptc4xmpExt=\"http://iptc.org/std/Iptc4xmpExt/2008-02-29/\">"
           "<photoshop:Country>Japan</photoshop:Country>"
           "<Iptc4xmpExt:LocationShown><rdf:Bag><rdf:li rdf:parseType=\"Resource\">"
           "<Iptc4xmpExt:City>Tokyo</Iptc4xmpExt:City></rdf:li></rdf:Bag>"
           "</Iptc4xmpExt:LocationShown>"
           "<Iptc4xmpExt:LocationCreated Iptc4xmpExt:Sublocation=\"Minato\"/>"
           "<dc:rights><rdf:Alt><rdf:li xml:lang=\"x-default\">(c) 2026 Hanako</rdf:li>"
           "</rdf:Alt></dc:rights>"
           "<dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">Evening at the harbour"
           "</rdf:li></rdf:Alt></dc:description>"
           "<dc:subject><rdf:Bag><rdf:li>harbour</rdf:li><rdf:li>evening</rdf:li></rdf:Bag>"
           "</dc:subject></rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end=\"w\"?>";
}

std::string ExtendedText() {
    return std::string(
               "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
               "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
               "<rdf:Description rdf:about=\"\" "
               "xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" "
               "xmlns:GImage=\"http://ns.google.com/photos/1.0/image/\" "
               "exif:GPSAltitude=\"40/1\" GImage:Data=\"") +
           kExtendedKept + "\"/></rdf:RDF></x:xmpmeta>";
}

std::string Iim() {
    return Dataset(1, 90, "\x1B%G") + Dataset(2, 0, std::string("\0\4", 2)) +
           Dataset(2, 80, "Hanako Yamada") + Dataset(2, 116, "(c) 2026 Hanako") +
           Dataset(2, 120, "Evening at the harbour") + Dataset(2, 25, "harbour") +
           Dataset(2, 26, "JPN-13") + Dataset(2, 27, "Minato") + Dataset(2, 90, "Tokyo") +
           Dataset(2, 92, "Minato") + Dataset(2, 95, "Tokyo") + Dataset(2, 100, "JPN") +
           Dataset(2, 101, "Japan") + Dataset(2, 25, "evening");
}

// GPMF records: a device with its name, a stream of GPS fixes and a GPS time.
std::string Telemetry() {
    const auto record = [](const std::string& key, char type, std::size_t size,
                           const std::string& data) {
        return key + type + static_cast<char>(size) + BigEndian(data.size() / size, 2) + data +
               std::string((4 - data.size() % 4) % 4, '\0');
    };
    const std::string fixes =
        record("GPSF", 'L', 4, BigEndian(3, 4)) +
        record("GPS5", 'l', 20,
               BigEndian(356581000, 4) + BigEndian(1397414000, 4) + std::string(12, '\0'));
    const std::string device = record("DVNM", 'c', 1, kTelemetryKept) +
                               record("STRM", '\0', 1, fixes) +
                               record("GPSU", 'U', 16, "261209203000.000");
    return MarkerSegment(0xE6, std::string("GoPro\0", 6) + record("DEVC", '\0', 1, device));
}

using ExifHandle = std::unique_ptr<ExifData, decltype(&exif_data_unref)>;

ExifHandle LoadExif(const std::string& payload) {
    ExifHandle data(exif_data_new(), &exif_data_unref);
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_option(data.get(), EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
    exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(payload.data()),
                        static_cast<unsigned int>(payload.size()));
    return data;
}

std::string SavedExif(ExifData* data) {
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &bytes, &size);
    const std::string block(reinterpret_cast<char*>(bytes), size);
    std::free(bytes);
    return block;
}

const std::string kPanasonic("Panasonic\0\0\0", 12);

std::string Number(std::size_t value, int size, bool little) {
    const std::string big = BigEndian(value, size);
    return little ? std::string(big.rbegin(), big.rend()) : big;
}

// The maker note that starts at at in the TIFF structure: its directory (ASCII and undefined
// values only), then the values that do not fit an entry, offsets counted from the TIFF header.
std::string PanasonicNote(std::size_t at, bool little) {
    const auto& tags = PanasonicTags();
    std::string entries = Number(tags.size(), 2, little), values;
    const std::size_t valuesAt = at + kPanasonic.size() + 2 + tags.size() * 12 + 4;
    for (const MakerNoteTag& tag : tags) {
        const bool text = tag.tag == 0x51 || tag.tag == 0x52;  // lens type and serial number
        entries += Number(static_cast<std::size_t>(tag.tag), 2, little) +
                   Number(text ? 2 : 7, 2, little) + Number(tag.value.size(), 4, little);
        if (tag.value.size() <= 4) {
            entries += tag.value + std::string(4 - tag.value.size(), '\0');
        } else {
            entries += Number(valuesAt + values.size(), 4, little);
            values += tag.value + std::string(tag.value.size() % 2, '\0');
        }
    }
    return kPanasonic + entries + std::string(4, '\0') + values;
}

}  // namespace

// The file with the thumbnail of its EXIF block replaced by thumbnail.
std::string WithExifThumbnail(const std::string& jpeg, const std::string& thumbnail) {
    ExifHandle data = LoadExif(ExifPayload(jpeg));
    std::free(data->data);
    data->data = static_cast<unsigned char*>(std::malloc(thumbnail.size()));
    std::memcpy(data->data, thumbnail.data(), thumbnail.size());
    data->size = static_cast<unsigned int>(thumbnail.size());
    return WithExifPayload(jpeg, SavedExif(data.get()));
}

// libexif places the note; a stand-in of its size finds where, and the note is written there.
std::string WithMakerNote(const std::string& jpeg,
                          const std::function<std::string(std::size_t, bool)>& note) {
    ExifHandle data = LoadExif(ExifPayload(jpeg));
    const std::string standIn(note(0, true).size(), '\xA5');
    ExifEntry* entry = exif_entry_new();
    entry->tag = EXIF_TAG_MAKER_NOTE;
    entry->format = EXIF_FORMAT_UNDEFINED;
    entry->components = standIn.size();
    entry->size = static_cast<unsigned int>(standIn.size());
    entry->data = static_cast<unsigned char*>(std::malloc(standIn.size()));
    std::memcpy(entry->data, standIn.data(), standIn.size());
    exif_content_add_entry(data->ifd[EXIF_IFD_EXIF], entry);
    exif_entry_unref(entry);
    const bool little = exif_data_get_byte_order(data.get()) == EXIF_BYTE_ORDER_INTEL;
    std::string payload = SavedExif(data.get());
    const std::size_t at = payload.find(standIn);
    payload.replace(at, standIn.size(), note(at - 6, little));
    return WithExifPayload(jpeg, payload);
}

std::string NikonNote(bool placeBlank) {
    const std::string place = "JPN\x01Minato, Tokyo" + std::string(70 - 13, '\0');
    const std::string info = "0100\x01" + (placeBlank ? std::string(place.size(), '\0') : place);
    return std::string("Nikon\0\x02\x10\0\0MM\0*\0\0\0\x08\0\x02", 20) +
           std::string(
               "\0\x01\0\x07\0\0\0\x04"
               "0210",
               12) +
           std::string("\0\x39\0\x07", 4) + BigEndian(info.size(), 4) +
           BigEndian(8 + 2 + 2 * 12 + 4, 4) + std::string(4, '\0') + info;
}

std::string XmpSegment(const std::string& packet) {
    return MarkerSegment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0", 29) + packet);
}

std::string ExtensionSegment(const std::string& guid, const std::string& text, std::size_t at,
                             std::size_t size) {
    return MarkerSegment(0xE1, std::string("http://ns.adobe.com/xmp/extension/\0", 35) + guid +
                                   BigEndian(text.size(), 4) + BigEndian(at, 4) +
                                   text.substr(at, size));
}

std::string Dataset(int record, int number, const std::string& value) {
    return std::string{'\x1C', static_cast<char>(record), static_cast<char>(number)} +
           BigEndian(value.size(), 2) + value;
}

std::string PhotoshopSegment(const std::vector<std::pair<int, std::string>>& resources) {
    std::string payload("Photoshop 3.0\0", 14);
    for (const auto& [id, data] : resources) {
        payload += "8BIM" + BigEndian(static_cast<std::size_t>(id), 2) + std::string(2, '\0') +
                   BigEndian(data.size(), 4) + data;
        if (data.size() % 2)
            payload += '\0';
    }
    return MarkerSegment(0xED, payload);
}

std::string WithSegments(const std::string& jpeg, const std::string& segments) {
    const JpegSegment first = HeaderSegments(jpeg).front();
    const std::size_t at = first.offset + first.length;
    return jpeg.substr(0, at) + segments + jpeg.substr(at);
}

std::string LocatedJpeg(const LocatedParts& parts) {
    PhotoParts phone{6, parts.exifGps};
    std::string jpeg = PhoneJpeg(QuadrantRaster(64, 48), phone);
    if (parts.progressive) {
        EncodeOptions options;
        options.progressive = true;
        options.exif = ExifPayload(jpeg);
        options.icc = TestProfile();
        jpeg = EncodeJpeg(QuadrantRaster(48, 64), options);
    }
    if (parts.thumbnail) {
        jpeg = WithExifThumbnail(
            jpeg, WithSegments(PhoneJpeg(QuadrantRaster(16, 12), {1, true, false, false}),
                               XmpSegment(MainPacket(""))));
    }
    std::string segments;
    if (parts.xmp) {
        const std::string text = ExtendedText();
        const std::string guid = parts.extended ? Md5Hex(text) : "";
        segments += XmpSegment(MainPacket(guid));
        if (parts.extended) {
            segments += ExtensionSegment(guid, text, 0, 100);
            segments += ExtensionSegment(guid, text, 100, text.size());
        }
    }
    if (parts.iptc) {
        const std::string iim = Iim();
        segments += PhotoshopSegment(
            {{0x03ED, std::string(15, '\x01')}, {0x0404, iim}, {0x0425, Md5Bytes(iim)}});
    }
    if (parts.unreadable) {
        segments += XmpSegment("<x:xmpmeta><rdf:Description photoshop:City=\"Tokyo\"/>");
        std::string broken = PhotoshopSegment({{0x0404, Dataset(2, 90, "Tokyo")}});
        broken[4 + 14 + 8 + 3] = '\x7F';  // a resource far longer than its block
        segments += broken;
    }
    if (parts.telemetry)
        segments += Telemetry();
    if (parts.makerNote)
        jpeg = WithMakerNote(jpeg, PanasonicNote);
    if (parts.mpf)
        segments += MarkerSegment(0xE2, std::string("MPF\0II*\0\x08\0\0\0", 12));
    jpeg = WithSegments(jpeg, segments);
    if (parts.mpf)
        jpeg += PhoneJpeg(QuadrantRaster(32, 24), {1, true});
    return jpeg;
}

const std::vector<std::string>& PlaceTexts() {
    static const std::vector<std::string> texts = {
        "Tokyo",     "Minato",     "Japan",  "JPN", "35,39.48N", "139,44.1E", "40/1",
        "35.658100", "139.741400", "+40.25", "GPS", "Gps",       "Location"};
    return texts;
}

const std::vector<std::string>& KeptTexts() {
    static const std::vector<std::string> texts = {"Hanako Yamada", "(c) 2026 Hanako",
                                                   "Evening at the harbour", "harbour", "evening"};
    return texts;
}

const std::vector<MakerNoteTag>& PanasonicTags() {
    const auto padded = [](const std::string& text, std::size_t size) {
        return text + std::string(size - text.size(), '\0');
    };
    static const std::vector<MakerNoteTag> tags = {{0x02, false, "0121"},
                                                   {0x25, false, padded("F541605190015", 16)},
                                                   {0x51, false, padded("LUMIX G VARIO 12-32", 20)},
                                                   {0x52, false, padded("XA0123456", 10)},
                                                   {0x67, true, padded("Tokyo Tower", 64)},
                                                   {0x69, true, padded("Japan", 72)},
                                                   {0x6B, true, padded("Tokyo", 72)},
                                                   {0x6D, true, padded("Minato", 72)},
                                                   {0x6F, true, padded("Tokyo Tower", 128)},
                                                   {0x80, true, padded("Minato", 72)}};
    return tags;
}

std::optional<std::string> PanasonicValue(const std::string& jpeg, int tag) {
    const std::string payload = ExifPayload(jpeg);
    ExifHandle data = LoadExif(payload);
    const ExifEntry* note = exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], EXIF_TAG_MAKER_NOTE);
    if (!note || !note->data)
        return std::nullopt;
    const std::size_t at =
        payload.find(std::string(reinterpret_cast<char*>(note->data), note->size));
    if (at == std::string::npos || at + kPanasonic.size() + 2 > payload.size())
        return std::nullopt;
    const ExifByteOrder order = exif_data_get_byte_order(data.get());
    const auto number = [&](std::size_t from, int size) -> std::size_t {
        const auto* bytes = reinterpret_cast<const unsigned char*>(payload.data() + from);
        return size == 2 ? exif_get_short(bytes, order) : exif_get_long(bytes, order);
    };
    const std::size_t count = number(at + kPanasonic.size(), 2);
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t entry = at + kPanasonic.size() + 2 + k * 12;
        if (entry + 12 > payload.size())
            return std::nullopt;
        if (number(entry, 2) != static_cast<std::size_t>(tag))
            continue;
        const std::size_t size = number(entry + 4, 4);
        const std::size_t value = size <= 4 ? entry + 8 : 6 + number(entry + 8, 4);
        if (value + size > payload.size())
            return std::nullopt;
        return payload.substr(value, size);
    }
    return std::nullopt;
}

bool AnyExifGps(const std::string& bytes) {
    const std::string header("Exif\0\0", 6);
    for (std::size_t at = bytes.find(header); at != std::string::npos;
         at = bytes.find(header, at + 1)) {
        std::unique_ptr<ExifData, decltype(&exif_data_unref)> data(exif_data_new(),
                                                                   &exif_data_unref);
        exif_data_load_data(
            data.get(), reinterpret_cast<const unsigned char*>(bytes.data() + at),
            static_cast<unsigned int>(std::min<std::size_t>(bytes.size() - at, 65533)));
        if (data->ifd[EXIF_IFD_GPS]->count > 0)
            return true;
    }
    return false;
}

}  // namespace albumon::test
