// Reading and rewriting EXIF blocks with libexif. The block is loaded without libexif's own
// fix-ups (EXIF_DATA_OPTION_FOLLOW_SPECIFICATION), so what is written back is what the camera
// wrote, changed only where asked.
#include "metadata/ExifTags.h"

#include <libexif/exif-data.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string_view>

#include "metadata/ByteOrder.h"
#include "metadata/LocationStrip.h"
#include "metadata/MakerNotes.h"

namespace albumon {

namespace {

struct ExifDataRelease {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};
using ExifHandle = std::unique_ptr<ExifData, ExifDataRelease>;

ExifHandle Load(const std::string& payload) {
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

// Blanks the place names of the payload's maker note and loads data again from it; a maker note
// that may name places but cannot be found in the payload goes from data. Whether it went.
bool LeaveOutNotePlaces(std::string& payload, ExifHandle& data) {
    const NoteFound note = MakerNoteIn(payload, data.get());
    if (note.lost) {
        exif_content_remove_entry(data->ifd[EXIF_IFD_EXIF], MakerNoteEntry(data.get()));
        return true;
    }
    if (note.span && BlankMakerNotePlaces(payload, *note.span))
        data = Load(payload);
    return false;
}

// The block written back; a maker note it moved keeps its offsets pointing at its values.
std::string Save(ExifData* data, const std::string& original) {
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

namespace {

// The text of an ASCII tag of the EXIF directory, up to its first NUL, trailing spaces cut.
std::optional<std::string> ExifText(const ExifData* data, ExifTag tag) {
    const ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], tag);
    if (!entry || entry->format != EXIF_FORMAT_ASCII || !entry->data || entry->size == 0)
        return std::nullopt;
    std::string text(reinterpret_cast<const char*>(entry->data), entry->size);
    text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// The number written by count digits of text from at on; -1 when one of them is no digit.
int Digits(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

struct CivilTime {
    int year, month, day, hour, minute, second;
};

// "YYYY:MM:DD HH:MM:SS"; dashes between the parts of the date and a "T" before the time, as
// some programs write them, are taken too.
std::optional<CivilTime> ParseDateTime(std::string_view text) {
    if (text.size() != 19 || (text[4] != ':' && text[4] != '-') || text[7] != text[4] ||
        (text[10] != ' ' && text[10] != 'T') || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const CivilTime t{Digits(text, 0, 4),  Digits(text, 5, 2),  Digits(text, 8, 2),
                      Digits(text, 11, 2), Digits(text, 14, 2), Digits(text, 17, 2)};
    if (t.year < 1 || t.month < 1 || t.day < 1 || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
        t.minute > 59 || t.second < 0 || t.second > 59)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(t.year),
                                           std::chrono::month(static_cast<unsigned>(t.month)),
                                           std::chrono::day(static_cast<unsigned>(t.day))};
    if (!date.ok())
        return std::nullopt;
    return t;
}

// "+HH:MM" or "-HH:MM", in seconds east of UTC.
std::optional<int> ParseOffset(std::string_view text) {
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':')
        return std::nullopt;
    const int hours = Digits(text, 1, 2);
    const int minutes = Digits(text, 4, 2);
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59)
        return std::nullopt;
    const int seconds = (hours * 60 + minutes) * 60;
    return text[0] == '-' ? -seconds : seconds;
}

std::int64_t UtcSeconds(const CivilTime& t, int offset) {
    using namespace std::chrono;
    const sys_days days{year(t.year) / month(static_cast<unsigned>(t.month)) /
                        day(static_cast<unsigned>(t.day))};
    return std::int64_t{days.time_since_epoch().count()} * 86400 + t.hour * 3600 + t.minute * 60 +
           t.second - offset;
}

std::int64_t LocalSeconds(const CivilTime& t) {
    std::tm local{};
    local.tm_year = t.year - 1900;
    local.tm_mon = t.month - 1;
    local.tm_mday = t.day;
    local.tm_hour = t.hour;
    local.tm_min = t.minute;
    local.tm_sec = t.second;
    local.tm_isdst = -1;  // the zone's rules say whether summer time applied then
    return static_cast<std::int64_t>(std::mktime(&local));
}

}  // namespace

std::optional<std::int64_t> ExifTakenTime(const std::string& payload) {
    ExifHandle data = Load(payload);
    if (!data)
        return std::nullopt;
    const std::optional<std::string> taken = ExifText(data.get(), EXIF_TAG_DATE_TIME_ORIGINAL);
    const std::optional<CivilTime> time = taken ? ParseDateTime(*taken) : std::nullopt;
    if (!time)
        return std::nullopt;
    const std::optional<std::string> offsetText =
        ExifText(data.get(), EXIF_TAG_OFFSET_TIME_ORIGINAL);
    const std::optional<int> offset = offsetText ? ParseOffset(*offsetText) : std::nullopt;
    return offset ? UtcSeconds(*time, *offset) : LocalSeconds(*time);
}

std::string UprightExif(const std::string& original, int width, int height, bool withoutLocation) {
    std::string payload = original;
    ExifHandle data = Load(payload);
    if (data && withoutLocation)
        LeaveOutNotePlaces(payload, data);
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
    return Save(data.get(), payload);
}

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
    ExifHandle data = Load(payload);
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
    RemoveAll(data->ifd[EXIF_IFD_GPS]);
    if (thumbnail.changed && !SetThumbnail(data.get(), thumbnail.bytes))
        return BlockEdit::Unreadable();
    std::string rewritten = Save(data.get(), payload);
    if (rewritten.empty() || HasGpsPointer(rewritten) != false)
        return BlockEdit::Unreadable();
    BlockEdit edit = BlockEdit::Replaced(std::move(rewritten));
    edit.unreadable = thumbnail.unreadable || noteLost;
    return edit;
}

}  // namespace albumon
