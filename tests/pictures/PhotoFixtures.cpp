// Phone-like test photos made with libjpeg and libexif.
#include "PhotoFixtures.h"

#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jpeglib.h>
#include <lcms2.h>
#include <libexif/exif-data.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "codecs/JpegCodec.h"
#include "metadata/JpegSegments.h"
#include "pixels/Orientation.h"
#include "pixels/RasterTurns.h"

namespace albumon::test {

namespace {

struct ExifRelease {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};
using ExifHandle = std::unique_ptr<ExifData, ExifRelease>;

void AddEntry(ExifData* data, ExifIfd ifd, ExifTag tag, ExifFormat format, unsigned long components,
              const void* value) {
    ExifEntry* entry = exif_entry_new();
    entry->tag = tag;
    entry->format = format;
    entry->components = components;
    entry->size = exif_format_get_size(format) * components;
    entry->data = static_cast<unsigned char*>(std::malloc(entry->size));
    std::memcpy(entry->data, value, entry->size);
    exif_content_add_entry(data->ifd[ifd], entry);
    exif_entry_unref(entry);
}

void AddShort(ExifData* data, ExifIfd ifd, ExifTag tag, int value) {
    unsigned char bytes[2];
    exif_set_short(bytes, exif_data_get_byte_order(data), static_cast<ExifShort>(value));
    AddEntry(data, ifd, tag, EXIF_FORMAT_SHORT, 1, bytes);
}

void AddText(ExifData* data, ExifIfd ifd, ExifTag tag, const std::string& text) {
    AddEntry(data, ifd, tag, EXIF_FORMAT_ASCII, text.size() + 1, text.c_str());
}

void AddRationals(ExifData* data, ExifIfd ifd, ExifTag tag, std::vector<ExifRational> values) {
    std::vector<unsigned char> bytes(values.size() * 8);
    for (std::size_t i = 0; i < values.size(); ++i)
        exif_set_rational(bytes.data() + i * 8, exif_data_get_byte_order(data), values[i]);
    AddEntry(data, ifd, tag, EXIF_FORMAT_RATIONAL, values.size(), bytes.data());
}

std::string ExifBlock(const PhotoParts& parts, std::int32_t width, std::int32_t height) {
    ExifHandle data(exif_data_new());
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_byte_order(data.get(), EXIF_BYTE_ORDER_MOTOROLA);
    AddText(data.get(), EXIF_IFD_0, EXIF_TAG_MAKE, "Albumon Phones");
    AddText(data.get(), EXIF_IFD_0, EXIF_TAG_MODEL, "Pocket 12");
    AddShort(data.get(), EXIF_IFD_0, EXIF_TAG_ORIENTATION, parts.orientation);
    if (!parts.taken.empty())
        AddText(data.get(), EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, parts.taken);
    if (!parts.offset.empty())
        AddText(data.get(), EXIF_IFD_EXIF, EXIF_TAG_OFFSET_TIME_ORIGINAL, parts.offset);
    AddRationals(data.get(), EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_TIME, {{1, 120}});
    AddShort(data.get(), EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, width);
    AddShort(data.get(), EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, height);
    if (parts.gps) {
        const unsigned char version[4] = {2, 2, 0, 0};
        AddEntry(data.get(), EXIF_IFD_GPS, static_cast<ExifTag>(EXIF_TAG_GPS_VERSION_ID),
                 EXIF_FORMAT_BYTE, 4, version);
        AddText(data.get(), EXIF_IFD_GPS, static_cast<ExifTag>(EXIF_TAG_GPS_LATITUDE_REF), "N");
        AddRationals(data.get(), EXIF_IFD_GPS, static_cast<ExifTag>(EXIF_TAG_GPS_LATITUDE),
                     {{35, 1}, {39, 1}, {2917, 100}});
        AddText(data.get(), EXIF_IFD_GPS, static_cast<ExifTag>(EXIF_TAG_GPS_LONGITUDE_REF), "E");
        AddRationals(data.get(), EXIF_IFD_GPS, static_cast<ExifTag>(EXIF_TAG_GPS_LONGITUDE),
                     {{139, 1}, {44, 1}, {2851, 100}});
    }
    if (parts.thumbnail) {
        EncodeOptions options;
        options.quality = 60;
        const std::string thumb = EncodeJpeg(Raster(32, 24, pf24bit), options);
        data->data = static_cast<unsigned char*>(std::malloc(thumb.size()));
        std::memcpy(data->data, thumb.data(), thumb.size());
        data->size = static_cast<unsigned int>(thumb.size());
    }
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data.get(), &bytes, &size);
    std::string block(reinterpret_cast<char*>(bytes), size);
    std::free(bytes);
    return block;
}

}  // namespace

std::string TestProfile() {
    std::string profile(3000, '\0');
    for (std::size_t i = 0; i < profile.size(); ++i)
        profile[i] = static_cast<char>((i * 31 + 7) & 0xFF);
    return profile;
}

// A valid RGB profile (Adobe RGB primaries) padded with a copyright text of padding bytes.
std::string WideProfile(std::size_t padding) {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsMLU* text = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(text, "en", "US", std::string(padding, 'x').c_str());
    cmsWriteTag(profile, cmsSigCopyrightTag, text);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::string bytes(size, '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsMLUfree(text);
    cmsFreeToneCurve(gamma);
    cmsCloseProfile(profile);
    return bytes;
}

Raster StoredFor(const Raster& upright, int orientation) {
    // Shown = turn(quarters) of mirror(stored), so stored = mirror(turn back(shown)).
    const Orientation o = OrientationForTag(orientation);
    Raster stored = o.quarters == 1   ? TurnedLeft(upright)
                    : o.quarters == 2 ? Turned180(upright)
                    : o.quarters == 3 ? TurnedRight(upright)
                                      : upright;
    if (o.mirror)
        MirrorInPlace(stored);
    return stored;
}

std::string PhoneJpeg(const Raster& upright, const PhotoParts& parts) {
    const Raster stored = StoredFor(upright, parts.orientation);
    EncodeOptions options;
    options.quality = parts.quality;
    if (parts.orientation != 0)
        options.exif = ExifBlock(parts, stored.Width(), stored.Height());
    if (parts.icc)
        options.icc = TestProfile();
    return EncodeJpeg(stored, options);
}

ExifFacts ReadExifFacts(const std::string& jpeg) {
    ExifFacts facts;
    const std::string payload = ExifPayload(jpeg);
    if (payload.empty())
        return facts;
    ExifHandle data(exif_data_new());
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(payload.data()),
                        static_cast<unsigned int>(payload.size()));
    facts.present = true;
    const ExifByteOrder order = exif_data_get_byte_order(data.get());
    if (ExifEntry* e = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION))
        facts.orientation = exif_get_short(e->data, order);
    if (ExifEntry* e = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_MODEL))
        facts.model.assign(reinterpret_cast<char*>(e->data), e->size > 0 ? e->size - 1 : 0);
    if (ExifEntry* e =
            exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], EXIF_TAG_DATE_TIME_ORIGINAL)) {
        facts.dateTaken.assign(reinterpret_cast<char*>(e->data), e->size > 0 ? e->size - 1 : 0);
    }
    facts.exposure =
        exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], EXIF_TAG_EXPOSURE_TIME) != nullptr;
    facts.gps = data->ifd[EXIF_IFD_GPS]->count > 0;
    facts.thumbnail = data->size > 0 || data->ifd[EXIF_IFD_1]->count > 0;
    return facts;
}

std::vector<std::vector<int>> QuantTables(const std::string& jpeg) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
    jpeg_read_header(&cinfo, TRUE);
    std::vector<std::vector<int>> tables;
    for (JQUANT_TBL* table : cinfo.quant_tbl_ptrs) {
        if (!table)
            continue;
        tables.emplace_back(table->quantval, table->quantval + DCTSIZE2);
    }
    jpeg_destroy_decompress(&cinfo);
    return tables;
}

}  // namespace albumon::test
