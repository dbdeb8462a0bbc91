// Reading and rewriting the tags of EXIF blocks with libexif, and EXIF blocks found in other
// containers made into APP1 payloads.
#include "metadata/ExifTags.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include "metadata/ByteOrder.h"
#include "metadata/ExifBlock.h"

namespace albumon {

namespace {

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

}  // namespace

int ExifOrientation(const std::string& payload) {
    ExifHandle data = LoadExif(payload);
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
    ExifHandle data = LoadExif(payload);
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
    ExifHandle data = LoadExif(payload);
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
    RemoveAllEntries(data->ifd[EXIF_IFD_1]);
    if (withoutLocation)
        RemoveAllEntries(data->ifd[EXIF_IFD_GPS]);
    return SaveExif(data.get(), payload);
}

std::string ExifPayloadOf(const std::string& block) {
    const auto at = [](std::string_view bytes, std::size_t from, std::string_view text) {
        return bytes.size() >= from + text.size() && bytes.compare(from, text.size(), text) == 0;
    };
    std::string payload = at(block, 0, "Exif") && block.size() >= kExifHeader.size()
                              ? kExifHeader + block.substr(kExifHeader.size())
                              : kExifHeader + block;
    const bool tiff = at(payload, 6, "II*") || at(payload, 6, std::string_view("MM\0*", 4));
    if (!tiff || payload.size() > kMaxSegmentPayload)
        return {};
    return payload;
}

}  // namespace albumon
