// Reading and rewriting EXIF blocks with libexif. The block is loaded without libexif's own
// fix-ups (EXIF_DATA_OPTION_FOLLOW_SPECIFICATION), so what is written back is what the camera
// wrote, changed only where asked.
#include "ExifTags.h"

#include <libexif/exif-data.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace albumon {

namespace {

struct ExifDataRelease {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};
using ExifHandle = std::unique_ptr<ExifData, ExifDataRelease>;

// The largest payload an APP1 segment can carry.
constexpr std::size_t kMaxPayload = 65533;

ExifHandle Load(const std::string& payload) {
    if (payload.empty() || payload.size() > kMaxPayload)
        return {};
    ExifHandle data(exif_data_new());
    if (!data)
        return {};
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_set_option(data.get(), EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
    exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(payload.data()),
                        static_cast<unsigned int>(payload.size()));
    return data;
}

void RemoveAll(ExifContent* content) {
    while (content->count > 0)
        exif_content_remove_entry(content, content->entries[content->count - 1]);
}

// Sets a SHORT or LONG tag of one component where the block has it.
void SetNumber(ExifData* data, ExifIfd ifd, ExifTag tag, unsigned value) {
    ExifEntry* entry = exif_content_get_entry(data->ifd[ifd], tag);
    if (!entry || entry->components != 1 || !entry->data)
        return;
    const ExifByteOrder order = exif_data_get_byte_order(data);
    if (entry->format == EXIF_FORMAT_SHORT && entry->size >= 2 && value <= 0xFFFF) {
        exif_set_short(entry->data, order, static_cast<ExifShort>(value));
    } else if (entry->format == EXIF_FORMAT_LONG && entry->size >= 4) {
        exif_set_long(entry->data, order, value);
    }
}

std::string Save(ExifData* data) {
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &bytes, &size);
    // exif_data_new allocates through libexif's default allocator, which is malloc.
    std::unique_ptr<unsigned char, decltype(&std::free)> owned(bytes, &std::free);
    if (!bytes || size == 0 || size > kMaxPayload)
        return {};
    return std::string(reinterpret_cast<const char*>(bytes), size);
}

}  // namespace

int ExifOrientation(const std::string& payload) {
    ExifHandle data = Load(payload);
    if (!data)
        return 1;
    ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || entry->size < 2)
        return 1;
    const int value = exif_get_short(entry->data, exif_data_get_byte_order(data.get()));
    return value >= 1 && value <= 8 ? value : 1;
}

std::string UprightExif(const std::string& payload, int width, int height, bool withoutLocation) {
    ExifHandle data = Load(payload);
    if (!data)
        return {};
    SetNumber(data.get(), EXIF_IFD_0, EXIF_TAG_ORIENTATION, 1);
    SetNumber(data.get(), EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, static_cast<unsigned>(width));
    SetNumber(data.get(), EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, static_cast<unsigned>(height));
    // The thumbnail shows the picture as it was stored; its whole directory goes with it.
    std::free(data->data);
    data->data = nullptr;
    data->size = 0;
    RemoveAll(data->ifd[EXIF_IFD_1]);
    if (withoutLocation)
        RemoveAll(data->ifd[EXIF_IFD_GPS]);
    return Save(data.get());
}

namespace {

// Whether the first directory of the TIFF structure after "Exif\0\0" points to a GPS directory;
// none when the header or that directory lies outside the payload.
std::optional<bool> HasGpsPointer(const std::string& payload) {
    constexpr std::size_t kTiff = 6;
    constexpr unsigned kGpsPointer = 0x8825;
    if (payload.size() < kTiff + 8)
        return std::nullopt;
    const bool little = payload.compare(kTiff, 4, std::string("II*\0", 4)) == 0;
    if (!little && payload.compare(kTiff, 4, std::string("MM\0*", 4)) != 0)
        return std::nullopt;
    const auto number = [&](std::size_t at, int size) {
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i) {
            const auto byte = static_cast<unsigned char>(payload[at + (little ? size - 1 - i : i)]);
            value = value << 8 | byte;
        }
        return value;
    };
    const std::size_t directory = kTiff + number(kTiff + 4, 4);
    if (directory + 2 > payload.size())
        return std::nullopt;
    const std::size_t count = number(directory, 2);
    if (directory + 2 + count * 12 > payload.size())
        return std::nullopt;
    for (std::size_t k = 0; k < count; ++k) {
        if (number(directory + 2 + k * 12, 2) == kGpsPointer)
            return true;
    }
    return false;
}

}  // namespace

BlockEdit ExifLocationEdit(const std::string& payload) {
    const std::optional<bool> pointer = HasGpsPointer(payload);
    ExifHandle data = Load(payload);
    if (!pointer || !data)
        return BlockEdit::Unreadable();
    if (!*pointer && data->ifd[EXIF_IFD_GPS]->count == 0)
        return BlockEdit::Kept();
    RemoveAll(data->ifd[EXIF_IFD_GPS]);
    std::string rewritten = Save(data.get());
    if (rewritten.empty() || HasGpsPointer(rewritten) != false)
        return BlockEdit::Unreadable();
    return BlockEdit::Replaced(std::move(rewritten));
}

}  // namespace albumon
