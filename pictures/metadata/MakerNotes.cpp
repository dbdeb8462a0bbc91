// Walking the TIFF directories of an EXIF payload down to the maker note, and the maker note's
// own directory, with every read checked against the payload's bounds.
#include "metadata/MakerNotes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "metadata/ByteOrder.h"

namespace albumon {

namespace {

const std::size_t kTiff = kExifHeader.size();
constexpr std::size_t kMaxEntries = 1000;

struct Order {
    bool little = true;
};

std::optional<std::uint32_t> Read(const std::string& bytes, std::size_t at, int size, Order order) {
    if (at > bytes.size() || bytes.size() - at < static_cast<std::size_t>(size))
        return std::nullopt;
    return static_cast<std::uint32_t>(NumberAt(bytes, at, size, order.little));
}

void Write(std::string& bytes, std::size_t at, std::uint32_t value, Order order) {
    WriteNumberAt(bytes, at, value, 4, order.little);
}

// The byte order a TIFF header at at declares.
std::optional<Order> HeaderOrder(const std::string& bytes, std::size_t at) {
    const std::optional<bool> little = TiffLittleEndian(bytes, at);
    if (!little)
        return std::nullopt;
    return Order{*little};
}

struct Entry {
    std::uint32_t tag = 0;
    std::size_t at = 0;    // where the entry's 12 bytes start
    std::size_t size = 0;  // of its value; 0 for a type of unknown size
};

std::size_t TypeSize(std::uint32_t type) {
    static constexpr std::array<std::size_t, 13> kSizes{0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return type < kSizes.size() ? kSizes[type] : 0;
}

// The entries of the directory at at; none when its count is out of reason or it overruns.
std::optional<std::vector<Entry>> Directory(const std::string& bytes, std::size_t at, Order order) {
    const std::optional<std::uint32_t> count = Read(bytes, at, 2, order);
    if (!count || *count == 0 || *count > kMaxEntries || bytes.size() - at - 2 < *count * 12)
        return std::nullopt;
    std::vector<Entry> entries;
    for (std::size_t k = 0; k < *count; ++k) {
        const std::size_t entry = at + 2 + k * 12;
        const std::uint64_t size = std::uint64_t{TypeSize(*Read(bytes, entry + 2, 2, order))} *
                                   *Read(bytes, entry + 4, 4, order);
        entries.push_back({*Read(bytes, entry, 2, order), entry,
                           size > bytes.size() ? 0 : static_cast<std::size_t>(size)});
    }
    return entries;
}

// Where the value of entry lies, offsets counted from base; none outside the bytes.
std::optional<std::size_t> ValueAt(const std::string& bytes, const Entry& entry, std::size_t base,
                                   Order order) {
    if (entry.size == 0)
        return std::nullopt;
    if (entry.size <= 4)
        return entry.at + 8;
    const std::size_t at = base + *Read(bytes, entry.at + 8, 4, order);
    if (at > bytes.size() || bytes.size() - at < entry.size)
        return std::nullopt;
    return at;
}

const Entry* Find(const std::vector<Entry>& entries, std::uint32_t tag) {
    const auto found =
        std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.tag == tag; });
    return found == entries.end() ? nullptr : &*found;
}

using Span = MakerNoteSpan;

const std::string kPanasonicHeader("Panasonic\0\0\0", 12);
const std::string kNikonHeader("Nikon\0\x02", 7);

// A maker note's directory as one maker writes it: its entries, the base its offsets count from,
// the byte order, and the bytes where values may lie (the maker note but its directory).
struct MakerDirectory {
    std::vector<Entry> entries;
    std::size_t base = kTiff;
    Order order;
    Span note;
    Span directory;

    bool HoldsValue(std::size_t at, std::size_t size) const {
        const bool inNote =
            at >= note.at && at - note.at <= note.size && note.size - (at - note.at) >= size;
        return inNote && (at + size <= directory.at || at >= directory.at + directory.size);
    }
};

// The directory of entries at at, with its count before and next pointer after them.
Span DirectorySpan(std::size_t at, const std::vector<Entry>& entries) {
    return {at, 2 + entries.size() * 12 + 4};
}

// Panasonic: "Panasonic\0\0\0", then a directory in either byte order whose offsets count from
// the TIFF header of the EXIF block.
std::optional<MakerDirectory> Panasonic(const std::string& payload, Span note) {
    const std::string& header = kPanasonicHeader;
    if (note.size < header.size() || payload.compare(note.at, header.size(), header) != 0)
        return std::nullopt;
    const Order exifOrder = *HeaderOrder(payload, kTiff);
    const std::size_t at = note.at + header.size();
    for (const Order order : {exifOrder, Order{!exifOrder.little}}) {
        if (auto entries = Directory(payload, at, order)) {
            const Span directory = DirectorySpan(at, *entries);
            return MakerDirectory{std::move(*entries), kTiff, order, note, directory};
        }
    }
    return std::nullopt;
}

// Nikon: "Nikon\0\2", then a TIFF header of its own at 10 that its offsets count from.
std::optional<MakerDirectory> Nikon(const std::string& payload, Span note) {
    const std::string& header = kNikonHeader;
    constexpr std::size_t kOwnTiff = 10;
    if (note.size < kOwnTiff + 8 || payload.compare(note.at, header.size(), header) != 0)
        return std::nullopt;
    const std::size_t base = note.at + kOwnTiff;
    const std::optional<Order> order = HeaderOrder(payload, base);
    if (!order)
        return std::nullopt;
    const std::size_t at = base + *Read(payload, base + 4, 4, *order);
    auto entries = Directory(payload, at, *order);
    if (!entries)
        return std::nullopt;
    const Span directory = DirectorySpan(at, *entries);
    return MakerDirectory{std::move(*entries), base, *order, note, directory};
}

// A tag holding a place, and how many bytes at the start of its value say nothing of it.
struct PlaceTag {
    std::uint32_t tag;
    std::size_t kept;
};

// Sets the value bytes of the place tags to NUL from their kept bytes on; whether one was not.
// A value is blanked where it lies in the maker note, never where an offset points outside it
// or into its directory (other structures of the block may lie there).
bool Blank(std::string& payload, const MakerDirectory& directory,
           const std::vector<PlaceTag>& places) {
    bool changed = false;
    for (const PlaceTag& place : places) {
        const Entry* entry = Find(directory.entries, place.tag);
        const std::optional<std::size_t> at =
            entry ? ValueAt(payload, *entry, directory.base, directory.order) : std::nullopt;
        if (!at || entry->size <= place.kept ||
            (entry->size > 4 && !directory.HoldsValue(*at, entry->size)))
            continue;
        const auto begin = payload.begin() + static_cast<std::ptrdiff_t>(*at + place.kept);
        const auto end = payload.begin() + static_cast<std::ptrdiff_t>(*at + entry->size);
        changed = changed || std::any_of(begin, end, [](char c) { return c != '\0'; });
        std::fill(begin, end, '\0');
    }
    return changed;
}

}  // namespace

std::optional<MakerNoteSpan> MakerNoteAt(const std::string& payload) {
    constexpr std::uint32_t kExifPointer = 0x8769, kMakerNote = 0x927C;
    const std::optional<Order> order = HeaderOrder(payload, kTiff);
    if (!order)
        return std::nullopt;
    const auto first = Directory(payload, kTiff + *Read(payload, kTiff + 4, 4, *order), *order);
    const Entry* pointer = first ? Find(*first, kExifPointer) : nullptr;
    if (!pointer)
        return std::nullopt;
    const auto exif =
        Directory(payload, kTiff + *Read(payload, pointer->at + 8, 4, *order), *order);
    const Entry* note = exif ? Find(*exif, kMakerNote) : nullptr;
    const std::optional<std::size_t> at =
        note ? ValueAt(payload, *note, kTiff, *order) : std::nullopt;
    if (!at)
        return std::nullopt;
    return MakerNoteSpan{*at, note->size};
}

bool IsPlaceMakerNote(std::string_view note) {
    return note.substr(0, kPanasonicHeader.size()) == kPanasonicHeader ||
           note.substr(0, kNikonHeader.size()) == kNikonHeader;
}

bool BlankMakerNotePlaces(std::string& payload, MakerNoteSpan note) {
    if (!HeaderOrder(payload, kTiff) || note.at > payload.size() ||
        payload.size() - note.at < note.size)
        return false;
    if (const auto panasonic = Panasonic(payload, note)) {
        return Blank(payload, *panasonic,
                     {{0x67, 0}, {0x69, 0}, {0x6B, 0}, {0x6D, 0}, {0x6F, 0}, {0x80, 0}});
    }
    if (const auto nikon = Nikon(payload, note)) {
        // version (4 bytes) and text encoding (1), then country code, level and place
        return Blank(payload, *nikon, {{0x39, 5}});
    }
    return false;
}

void KeepMakerNoteOffsets(MakerNoteSpan before, std::string& rewritten, MakerNoteSpan after) {
    if (before.at == after.at || before.size != after.size || !HeaderOrder(rewritten, kTiff) ||
        after.at > rewritten.size() || rewritten.size() - after.at < after.size)
        return;
    const std::optional<MakerDirectory> directory = Panasonic(rewritten, after);
    if (!directory)
        return;
    // Every offset moves with the maker note, so one that pointed outside it still does.
    for (const Entry& entry : directory->entries) {
        if (entry.size <= 4)
            continue;
        const std::int64_t moved =
            std::int64_t{*Read(rewritten, entry.at + 8, 4, directory->order)} +
            static_cast<std::int64_t>(after.at) - static_cast<std::int64_t>(before.at);
        const bool fits = moved >= 0 && moved <= std::int64_t{0xFFFFFFFF};
        Write(rewritten, entry.at + 8, fits ? static_cast<std::uint32_t>(moved) : 0xFFFFFFFF,
              directory->order);
    }
}

}  // namespace albumon
