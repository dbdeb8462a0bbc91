// Taking the GPS part out of an EXIF block through libexif; its thumbnail goes through the same
// door as the picture it belongs to.
#include "metadata/ExifLocation.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "metadata/ByteOrder.h"
#include "metadata/ExifBlock.h"
#include "metadata/LocationStrip.h"

namespace albumon {

namespace {

// Whether the first directory of the TIFF structure after "Exif\0\0" points to a GPS directory;
// none when the header or that directory lies outside the payload.
std::optional<bool> HasGpsPointer(const std::string& payload) {
    const std::size_t kTiff = kExifHeader.size();
    constexpr unsigned kGpsPointer = 0x8825;
    const std::optional<bool> little = TiffLittleEndian(payload, kTiff);
    if (!little)
        return std::nullopt;
    const auto number = [&](std::size_t at, int size) {
        return static_cast<std::uint32_t>(NumberAt(payload, at, size, *little));
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

// Replaces the block's thumbnail by bytes; false when there is no memory for them.
bool SetThumbnail(ExifData* data, const std::string& bytes) {
    auto* copy = static_cast<unsigned char*>(std::malloc(bytes.size()));
    if (!copy)
        return false;
    std::memcpy(copy, bytes.data(), bytes.size());
    std::free(data->data);  // libexif's default allocator is malloc
    data->data = copy;
    data->size = static_cast<unsigned int>(bytes.size());
    return true;
}

}  // namespace

BlockEdit ExifLocationEdit(const std::string& original, int nesting) {
    constexpr int kDeepestThumbnail = 2;
    std::string payload = original;
    const std::optional<bool> pointer = HasGpsPointer(payload);
    ExifHandle data = LoadExif(payload);
    const bool noteLost = pointer && data && LeaveOutNotePlaces(payload, data);
    if (!pointer || !data)
        return BlockEdit::Unreadable();
    const bool placesBlanked = payload != original;
    if (data->data && nesting >= kDeepestThumbnail)
        return BlockEdit::Unreadable();
    // The thumbnail is a JPEG file of its own, with its own EXIF, XMP and what else it carries.
    const LocationFree thumbnail =
        data->data
            ? JpegWithoutLocation(
                  std::string(reinterpret_cast<const char*>(data->data), data->size), nesting + 1)
            : LocationFree{};
    if (!*pointer && data->ifd[EXIF_IFD_GPS]->count == 0 && !thumbnail.changed && !noteLost)
        return placesBlanked ? BlockEdit::Replaced(std::move(payload)) : BlockEdit::Kept();
    RemoveAllEntries(data->ifd[EXIF_IFD_GPS]);
    if (thumbnail.changed && !SetThumbnail(data.get(), thumbnail.bytes))
        return BlockEdit::Unreadable();
    std::string rewritten = SaveExif(data.get(), payload);
    if (rewritten.empty() || HasGpsPointer(rewritten) != false)
        return BlockEdit::Unreadable();
    BlockEdit edit = BlockEdit::Replaced(std::move(rewritten));
    edit.unreadable = thumbnail.unreadable || noteLost;
    return edit;
}

}  // namespace albumon
