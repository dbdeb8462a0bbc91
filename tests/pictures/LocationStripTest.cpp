// Leaving the location out of output pictures: every kind of place a photo carries goes from
// unturned, re-encoded and losslessly turned outputs, the other metadata stays, unreadable blocks
// are dropped and reported; without the option the source is copied as before. XMP is read back
// with Exempi, a reader independent of the one that rewrites it.
#include <gtest/gtest.h>

#include <exempi/xmp.h>
#include <exempi/xmpconsts.h>

#include <memory>

#include "FileSystem.h"
#include "LocationFixtures.h"
#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "TestSupport.h"
#include "codecs/JpegCodec.h"
#include "metadata/BlockEdit.h"
#include "metadata/JpegSegments.h"
#include "metadata/LocationStrip.h"
#include "renditions/Images.h"
#include "renditions/OutputPictures.h"

namespace albumon {
namespace {

constexpr unsigned char kApp1 = 0xE1;
const std::string kPacketHeader("http://ns.adobe.com/xap/1.0/\0", 29);
const std::string kExtensionHeader("http://ns.adobe.com/xmp/extension/\0", 35);

// The payloads of the segments of marker whose payload starts with header.
std::vector<std::string> Payloads(const std::string& jpeg, unsigned char marker,
                                  const std::string& header) {
    std::vector<std::string> payloads;
    for (const JpegSegment& segment : WalkJpeg(jpeg).segments) {
        std::string payload = jpeg.substr(segment.offset + 4, segment.length - 4);
        if (segment.marker == marker && payload.rfind(header, 0) == 0)
            payloads.push_back(payload.substr(header.size()));
    }
    return payloads;
}

// The picture's scans: from the first start-of-scan segment to the end of the first picture.
std::string Scans(const std::string& jpeg) {
    const JpegLayout layout = WalkJpeg(jpeg);
    for (const JpegSegment& segment : layout.segments) {
        if (segment.marker == 0xDA)
            return jpeg.substr(segment.offset, layout.end - segment.offset);
    }
    return {};
}

class Xmp {
  public:
    explicit Xmp(const std::string& packet)
        : xmp_(xmp_new(packet.data(), packet.size()), &xmp_free) {}
    bool Readable() const { return xmp_ != nullptr; }
    bool Has(const char* schema, const char* name) const {
        return xmp_ && xmp_has_property(xmp_.get(), schema, name);
    }
    std::string Value(const char* schema, const char* name) const {
        std::unique_ptr<_XmpString, decltype(&xmp_string_free)> value(xmp_string_new(),
                                                                      &xmp_string_free);
        if (!xmp_ || !xmp_get_property(xmp_.get(), schema, name, value.get(), nullptr))
            return {};
        return xmp_string_cstr(value.get());
    }

  private:
    std::unique_ptr<_Xmp, decltype(&xmp_free)> xmp_;
};

constexpr const char* kIptcExt = "http://iptc.org/std/Iptc4xmpExt/2008-02-29/";
constexpr const char* kXmpNote = "http://ns.adobe.com/xmp/note/";

class LocationStripTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { xmp_init(); }
    static void TearDownTestSuite() { xmp_terminate(); }

    OutputPicture Output(const std::string& bytes, int rotation, bool lossless, bool strip) {
        const std::string source = dir_ / "located.jpg";
        test::WriteFile(source, bytes);
        return MakeOutputPicture(view_, source, rotation, 80, {lossless, strip});
    }

    static void ExpectNoPlace(const std::string& bytes) {
        for (const std::string& text : test::PlaceTexts())
            EXPECT_EQ(bytes.find(text), std::string::npos) << text;
        EXPECT_FALSE(test::AnyExifGps(bytes));
    }

    // Every tag of the maker note reads back through its offsets: the places blank or not.
    static void ExpectMakerNote(const std::string& bytes, bool placesBlank) {
        for (const test::MakerNoteTag& tag : test::PanasonicTags()) {
            const bool blank = tag.place && placesBlank;
            EXPECT_EQ(test::PanasonicValue(bytes, tag.tag),
                      blank ? std::string(tag.value.size(), '\0') : tag.value)
                << tag.tag;
        }
    }

    test::TempDir dir_;
    PictureView view_;
};

TEST_F(LocationStripTest, EveryKindOfPlaceLeavesEveryOutputAndTheRestStays) {
    using Parts = test::LocatedParts;
    struct Kind {
        const char* name;
        Parts parts;
    };
    for (const Kind& kind :
         {Kind{"exif", {true, false, false, false, false}},
          Kind{"xmp", {false, true, false, false, false}},
          Kind{"extended", {false, true, true, false, false}},
          Kind{"iptc", {false, false, false, true, false}},
          Kind{"mpf", {false, false, false, false, true}},
          Kind{"exif thumbnail", {false, false, false, false, false, false, false, true}},
          Kind{"telemetry", {false, false, false, false, false, false, false, false, true}},
          Kind{"maker note", {false, false, false, false, false, false, false, false, false, true}},
          Kind{"maker note, exif",
               {true, false, false, false, false, false, false, false, false, true}},
          Kind{"all, progressive",
               {true, true, true, true, true, false, true, false, false, true}}}) {
        const std::string source = test::LocatedJpeg(kind.parts);
        for (int turn : {0, 1, 3}) {  // unturned, re-encoded, turned losslessly
            SCOPED_TRACE(std::string(kind.name) + " turn " + std::to_string(turn));
            const bool lossless = turn == 3;
            const OutputPicture output = Output(source, turn, lossless, true);
            ASSERT_FALSE(output.copySource);
            EXPECT_FALSE(output.metadataDropped);
            ExpectNoPlace(output.bytes);
            EXPECT_EQ(test::ReadExifFacts(output.bytes).model, "Pocket 12");
            EXPECT_EQ(WalkJpeg(output.bytes).end, output.bytes.size());  // nothing after the end
            EXPECT_TRUE(Payloads(output.bytes, 0xE2, std::string("MPF\0", 4)).empty());
            if (kind.parts.makerNote)
                ExpectMakerNote(output.bytes, true);
            if (turn == 1)
                continue;  // a re-encode carries EXIF and the colour profile only, as ever
            EXPECT_TRUE(ReadJpegHeader(output.bytes).icc == test::TestProfile());
            if (turn == 0) {
                EXPECT_EQ(Scans(output.bytes), Scans(source));
            }
            if (kind.parts.telemetry) {
                EXPECT_NE(output.bytes.find(test::kTelemetryKept), std::string::npos);
            }
            if (kind.parts.xmp || kind.parts.iptc) {
                for (const std::string& text : test::KeptTexts())
                    EXPECT_NE(output.bytes.find(text), std::string::npos) << text;
            }
            if (kind.parts.xmp) {
                const std::vector<std::string> packets =
                    Payloads(output.bytes, kApp1, kPacketHeader);
                ASSERT_EQ(packets.size(), 1u);
                const Xmp xmp(packets[0]);
                ASSERT_TRUE(xmp.Readable());
                EXPECT_FALSE(xmp.Has(NS_EXIF, "GPSLatitude") || xmp.Has(NS_EXIF, "GPSLongitude") ||
                             xmp.Has(NS_PHOTOSHOP, "City") || xmp.Has(kIptcExt, "LocationShown"));
                EXPECT_EQ(xmp.Value(NS_DC, "creator[1]"), "Hanako Yamada");
                EXPECT_EQ(xmp.Value(NS_DC, "subject[2]"), "evening");
            }
        }
        // Without the option the unturned output is the source itself.
        EXPECT_TRUE(Output(source, 0, false, false).copySource);
        if (kind.parts.makerNote)
            ExpectMakerNote(Output(source, 3, true, false).bytes, false);
    }
}

TEST_F(LocationStripTest, ExtendedXmpIsWrittenAgainUnderTheDigestOfItsNewText) {
    const std::string source = test::LocatedJpeg({false, true, true, false, false});
    const std::string output = JpegWithoutLocation(source).bytes;
    const Xmp main(Payloads(output, kApp1, kPacketHeader).at(0));
    const std::string guid = main.Value(kXmpNote, "HasExtendedXMP");
    ASSERT_EQ(guid.size(), 32u);
    std::string text;
    for (const std::string& part : Payloads(output, kApp1, kExtensionHeader)) {
        EXPECT_EQ(part.substr(0, 32), guid);
        text += part.substr(40);
    }
    EXPECT_EQ(Md5Hex(text), guid);
    const Xmp extended(text);
    EXPECT_FALSE(extended.Has(NS_EXIF, "GPSAltitude"));
    EXPECT_EQ(extended.Value("http://ns.google.com/photos/1.0/image/", "Data"),
              test::kExtendedKept);

    // Extended XMP that held nothing but a place goes, and the main packet points nowhere.
    const std::string placeOnly =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
        "rdf:about=\"\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" exif:GPSAltitude=\"4\"/>"
        "</rdf:RDF></x:xmpmeta>";
    const std::string digest = Md5Hex(placeOnly);
    const std::string pointing =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
        "rdf:about=\"\" xmlns:xmpNote=\"http://ns.adobe.com/xmp/note/\" "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" dc:format=\"image/jpeg\"><xmpNote:"
        "HasExtendedXMP>" +
        digest + "</xmpNote:HasExtendedXMP></rdf:Description></rdf:RDF></x:xmpmeta>";
    const std::string gone =
        JpegWithoutLocation(
            test::WithSegments(
                test::PhoneJpeg(test::QuadrantRaster(16, 16), {1, false}),
                test::XmpSegment(pointing) + test::ExtensionSegment(digest, placeOnly, 0, 999)))
            .bytes;
    EXPECT_TRUE(Payloads(gone, kApp1, kExtensionHeader).empty());
    const Xmp left(Payloads(gone, kApp1, kPacketHeader).at(0));
    EXPECT_FALSE(left.Has(kXmpNote, "HasExtendedXMP"));
    EXPECT_EQ(left.Value(NS_DC, "format"), "image/jpeg");
}

TEST_F(LocationStripTest, NikonLocationInfoKeepsOnlyItsVersionAndEncoding) {
    const std::string plain = test::PhoneJpeg(test::QuadrantRaster(16, 16), {1, false});
    const auto nikon = [](bool blank) {
        return [blank](std::size_t, bool) { return test::NikonNote(blank); };
    };
    const std::string source = test::WithMakerNote(plain, nikon(false));
    ASSERT_NE(source.find(test::NikonNote(false)), std::string::npos);
    for (int turn : {0, 3}) {
        SCOPED_TRACE(turn);
        const std::string output = Output(source, turn, true, true).bytes;
        ExpectNoPlace(output);
        EXPECT_NE(output.find(test::NikonNote(true)), std::string::npos);
    }
}

// The IPTC-IIM datasets of a record: (record, number, value).
std::vector<std::tuple<int, int, std::string>> Datasets(const std::string& iim) {
    std::vector<std::tuple<int, int, std::string>> datasets;
    for (std::size_t at = 0; at + 5 <= iim.size() && iim[at] == '\x1C';) {
        const std::size_t size =
            static_cast<unsigned char>(iim[at + 3]) << 8 | static_cast<unsigned char>(iim[at + 4]);
        datasets.emplace_back(iim[at + 1], iim[at + 2], iim.substr(at + 5, size));
        at += 5 + size;
    }
    return datasets;
}

TEST_F(LocationStripTest, IptcKeepsItsOtherDatasetsAndResourcesAndADigestThatFits) {
    const std::string source = test::LocatedJpeg({false, false, false, true, false});
    const std::string output = JpegWithoutLocation(source).bytes;
    const std::vector<std::string> blocks =
        Payloads(output, 0xED, std::string("Photoshop 3.0\0", 14));
    ASSERT_EQ(blocks.size(), 1u);
    // 8BIM, id, empty name, size: 12 bytes before each resource's data.
    const std::string& irb = blocks[0];
    ASSERT_EQ(irb.substr(0, 6), std::string("8BIM\x03\xED", 6));
    EXPECT_EQ(irb.substr(12, 15), std::string(15, '\x01'));
    const std::size_t iimAt = 12 + 16 + 12;
    ASSERT_EQ(irb.substr(28, 6), std::string("8BIM\x04\x04", 6));
    const std::size_t iimSize =
        static_cast<unsigned char>(irb[38]) << 8 | static_cast<unsigned char>(irb[39]);
    const std::string iim = irb.substr(iimAt, iimSize);
    using Set = std::tuple<int, int, std::string>;
    EXPECT_EQ(Datasets(iim), (std::vector<Set>{{1, 90, "\x1B%G"},
                                               {2, 0, std::string("\0\4", 2)},
                                               {2, 80, "Hanako Yamada"},
                                               {2, 116, "(c) 2026 Hanako"},
                                               {2, 120, "Evening at the harbour"},
                                               {2, 25, "harbour"},
                                               {2, 25, "evening"}}));
    const std::size_t digestAt = iimAt + iimSize + iimSize % 2;
    EXPECT_EQ(irb.substr(digestAt, 6), std::string("8BIM\x04\x25", 6));
    EXPECT_EQ(irb.substr(digestAt + 12), Md5Bytes(iim));

    // A record of places only goes with its digest; a block left with nothing goes as well.
    const std::string places = test::Dataset(2, 0, std::string("\0\4", 2)) +
                               test::Dataset(2, 90, "Tokyo") + test::Dataset(2, 101, "Japan");
    const std::string plain = test::PhoneJpeg(test::QuadrantRaster(16, 16), {1, false});
    for (bool other : {true, false}) {
        std::vector<std::pair<int, std::string>> resources{{0x0404, places},
                                                           {0x0425, Md5Bytes(places)}};
        if (other)
            resources.insert(resources.begin(), {0x03ED, "resolution"});
        const std::string stripped =
            JpegWithoutLocation(test::WithSegments(plain, test::PhotoshopSegment(resources))).bytes;
        EXPECT_EQ(stripped, other ? test::WithSegments(
                                        plain, test::PhotoshopSegment({{0x03ED, "resolution"}}))
                                  : plain);
    }
}

TEST_F(LocationStripTest, PhotoshopCopiesOfExifAndXmpLoseTheirPlaceToo) {
    const std::string plain = test::PhoneJpeg(test::QuadrantRaster(16, 16), {1, false});
    const std::string tiff =
        ExifPayload(test::PhoneJpeg(test::QuadrantRaster(16, 16), {1, true})).substr(6);
    const std::string xmp =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
        "rdf:about=\"\" xmlns:photoshop=\"http://ns.adobe.com/photoshop/1.0/\" "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" photoshop:City=\"Tokyo\" "
        "dc:format=\"image/jpeg\"/></rdf:RDF></x:xmpmeta>";
    const std::string output =
        JpegWithoutLocation(
            test::WithSegments(plain, test::PhotoshopSegment({{0x0422, tiff}, {0x0424, xmp}})))
            .bytes;
    const std::string irb = Payloads(output, 0xED, std::string("Photoshop 3.0\0", 14)).at(0);
    const std::size_t size =
        static_cast<unsigned char>(irb[10]) << 8 | static_cast<unsigned char>(irb[11]);
    EXPECT_FALSE(test::AnyExifGps("Exif" + std::string(2, '\0') + irb.substr(12, size)));
    EXPECT_NE(irb.find("Pocket 12"), std::string::npos);
    EXPECT_EQ(irb.find("Tokyo"), std::string::npos);
    EXPECT_NE(irb.find("image/jpeg"), std::string::npos);
}

TEST_F(LocationStripTest, UnreadableBlocksAreDroppedWholeAndReported) {
    const std::string source = test::LocatedJpeg({true, true, false, true, false, true});
    for (int turn : {0, 3}) {
        SCOPED_TRACE(turn);
        const OutputPicture output = Output(source, turn, true, true);
        EXPECT_TRUE(output.metadataDropped);
        ExpectNoPlace(output.bytes);
        EXPECT_NE(output.bytes.find("Hanako Yamada"), std::string::npos);
        EXPECT_TRUE(Output(source, 0, false, false).copySource);
    }
    // Bytes that are no marker structure end the file there; a source without any place is
    // left alone.
    const std::string plain = test::PhoneJpeg(test::QuadrantRaster(16, 16), {1, false});
    const std::string broken = plain.substr(0, 2) + "\xFF\xE1\x00" + plain.substr(2);
    const LocationFree cut = JpegWithoutLocation(broken);
    EXPECT_TRUE(cut.changed && cut.unreadable);
    EXPECT_EQ(cut.bytes, plain.substr(0, 2));
    EXPECT_FALSE(JpegWithoutLocation(plain).changed);
    // A packet with a document type (entities to expand) counts as unreadable.
    const LocationFree typed = JpegWithoutLocation(test::WithSegments(
        plain, test::XmpSegment("<!DOCTYPE x:xmpmeta [<!ENTITY p \"x\">]><x:xmpmeta "
                                "xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/"
                                "1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
                                "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
                                "dc:format=\"&p;\"/></rdf:RDF></x:xmpmeta>")));
    EXPECT_TRUE(typed.unreadable);
    EXPECT_EQ(typed.bytes, plain);
    // Telemetry nested thousands deep is no camera's: dropped whole, without a deep descent.
    std::string nested = "GPSU" + std::string("U\x01\x00\x04", 4) + "1234";
    for (int level = 0; level < 5000; ++level)
        nested = "DEVC" + std::string(1, '\0') + "\x01" + static_cast<char>(nested.size() >> 8) +
                 static_cast<char>(nested.size() & 0xFF) + nested;
    const LocationFree deep = JpegWithoutLocation(
        test::WithSegments(plain, MarkerSegment(0xE6, std::string("GoPro\0", 6) + nested)));
    EXPECT_TRUE(deep.unreadable);
    EXPECT_TRUE(deep.bytes == plain);
    // The photo carries a thumbnail of its own. A thumbnail holding a thumbnail is still read; one
    // level further is no camera's, and the walk stops there instead of descending as deep as the
    // bytes allow.
    std::string nestedThumbnails = plain;
    for (int level = 1; level <= 2; ++level) {
        nestedThumbnails = test::WithExifThumbnail(plain, nestedThumbnails);
        const LocationFree stripped = JpegWithoutLocation(nestedThumbnails);
        EXPECT_EQ(stripped.unreadable, level == 2) << level;
        EXPECT_EQ(stripped.changed, level == 2) << level;
    }
    EXPECT_FALSE(JpegWithoutLocation("not a picture").changed);
}

// A maker note libexif reads past an entry count larger than the block, where the directory
// cannot be walked to it, cannot have its places blanked: it goes whole.
TEST_F(LocationStripTest, MakerNoteBeyondABrokenDirectoryGoesWholeAndIsReported) {
    const std::string located =
        test::LocatedJpeg({false, false, false, false, false, false, false, false, false, true});
    std::string payload = ExifPayload(located);
    const std::size_t pointer = payload.find(std::string("\x87\x69\0\x04\0\0\0\x01", 8));
    ASSERT_NE(pointer, std::string::npos);
    const std::size_t directory = 6 + static_cast<unsigned char>(payload[pointer + 10]) * 256 +
                                  static_cast<unsigned char>(payload[pointer + 11]);
    payload.replace(directory, 2, "\xFF\xFF");  // more entries than the block holds
    const std::string source = WithExifPayload(located, payload);
    for (int turn : {0, 3}) {
        SCOPED_TRACE(turn);
        const OutputPicture output = Output(source, turn, true, true);
        EXPECT_TRUE(output.metadataDropped);
        ExpectNoPlace(output.bytes);
        EXPECT_EQ(test::ReadExifFacts(output.bytes).model, "Pocket 12");
        EXPECT_EQ(output.bytes.find("LUMIX"), std::string::npos);
    }
}

}  // namespace
}  // namespace albumon
