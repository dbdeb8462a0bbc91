// Loading and saving EXIF blocks with libexif, the maker note kept where the camera put it.
#include "metadata/ExifBlock.h"

#include <cstdlib>
#include <optional>
#include <string_view>

#include "metadata/ByteOrder.h"
#include "metadata/MakerNotes.h"

namespace albumon {

namespace {

ExifEntry* MakerNoteEntry(ExifData* data) {
    ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], EXIF_TAG_MAKER_NOTE);
    return entry && entry->data && entry->size > 0 ? entry : nullptr;
}

// Where data's maker note lies among the payload's bytes: where the EXIF directory points, when
// libexif read the same bytes there. Lost when a maker note that may name places is elsewhere.
struct NoteFound {
    std::optional<MakerNoteSpan> span;
    bool lost = false;
};

NoteFound MakerNoteIn(const std::string& payload, ExifData* data) {
    const ExifEntry* entry = MakerNoteEntry(data);
    if (!entry)
        return {};
    const std::string_view note(reinterpret_cast<const char*>(entry->data), entry->size);
    const std::optional<MakerNoteSpan> at = MakerNoteAt(payload);
    if (at && at->size == note.size() && payload.compare(at->at, at->size, note) == 0)
        return {at, false};
    return {std::nullopt, IsPlaceMakerNote(note)};
}

}  // namespace

ExifHandle LoadExif(const std::string& payload) {
    if (payload.empty() || payload.size() > kMaxSegmentPayload)
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

void RemoveAllEntries(ExifContent* content) {
    while (content->count > 0)
        exif_content_remove_entry(content, content->entries[content->count - 1]);
}

bool LeaveOutNotePlaces(std::string& payload, ExifHandle& data) {
    const NoteFound note = MakerNoteIn(payload, data.get());
    if (note.lost) {
        exif_content_remove_entry(data->ifd[EXIF_IFD_EXIF], MakerNoteEntry(data.get()));
        return true;
    }
    if (note.span && BlankMakerNotePlaces(payload, *note.span))
        data = LoadExif(payload);
    return false;
}

std::string SaveExif(ExifData* data, const std::string& original) {
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &bytes, &size);
    // exif_data_new allocates through libexif's default allocator, which is malloc.
    std::unique_ptr<unsigned char, decltype(&std::free)> owned(bytes, &std::free);
    if (!bytes || size == 0 || size > kMaxSegmentPayload)
        return {};
    std::string rewritten(reinterpret_cast<const char*>(bytes), size);
    const NoteFound before = MakerNoteIn(original, data);
    const NoteFound after = MakerNoteIn(rewritten, data);
    if (before.span && after.span)
        KeepMakerNoteOffsets(*before.span, rewritten, *after.span);
    return rewritten;
}

}  // namespace albumon
