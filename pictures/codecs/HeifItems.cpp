// Reading the item list, properties and references from a HEIF file's meta box. Every read is
// bounds-checked; anything cut short makes the whole file unreadable.
#include "codecs/HeifItems.h"

#include <algorithm>

namespace albumon {

namespace {

struct Malformed {};

// Big-endian reads over a span that raise Malformed past its end.
class Cursor {
  public:
    explicit Cursor(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t Read(int size) {
        if (size > 8 || Left() < static_cast<std::size_t>(size))
            throw Malformed{};
        std::uint64_t value = 0;
        for (int i = 0; i < size; ++i)
            value = (value << 8) | static_cast<unsigned char>(bytes_[at_++]);
        return value;
    }
    std::string_view Take(std::size_t size) {
        if (Left() < size)
            throw Malformed{};
        at_ += size;
        return bytes_.substr(at_ - size, size);
    }
    std::size_t Left() const { return bytes_.size() - at_; }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

// How much of a grid's or overlay's data is read: its sizes come first.
constexpr std::size_t kHeadBytes = 32;

struct Box {
    std::string type;
    std::string_view body;
};

// The next box of the span: 32-bit, 64-bit or to-the-end size.
Box NextBox(Cursor& cursor) {
    std::uint64_t size = cursor.Read(4);
    Box box;
    const std::string_view type = cursor.Take(4);
    box.type.assign(type);
    std::uint64_t header = 8;
    if (size == 1) {
        size = cursor.Read(8);
        header = 16;
    } else if (size == 0) {
        size = header + cursor.Left();
    }
    if (size < header || size - header > cursor.Left())
        throw Malformed{};
    box.body = cursor.Take(size - header);
    return box;
}

std::vector<Box> BoxesOf(std::string_view bytes) {
    Cursor cursor(bytes);
    std::vector<Box> boxes;
    while (cursor.Left() > 0)
        boxes.push_back(NextBox(cursor));
    return boxes;
}

// A full box's version (its flags are skipped) and a cursor after them.
int VersionOf(Cursor& cursor) {
    const int version = static_cast<int>(cursor.Read(1));
    cursor.Read(3);
    return version;
}

void ReadItemInfo(std::string_view body, HeifItems& items) {
    Cursor cursor(body);
    cursor.Read(VersionOf(cursor) == 0 ? 2 : 4);  // entry count: the boxes that follow say it
    for (const Box& box : BoxesOf(body.substr(body.size() - cursor.Left()))) {
        Cursor infe(box.body);
        const int version = VersionOf(infe);
        if (box.type != "infe" || version < 2)
            continue;
        const auto id = static_cast<std::uint32_t>(infe.Read(version == 2 ? 2 : 4));
        infe.Read(2);  // protection index
        items[id].type.assign(infe.Take(4));
    }
}

void ReadProperties(std::string_view ipco, std::string_view ipma, HeifItems& items) {
    const std::vector<Box> properties = BoxesOf(ipco);
    Cursor cursor(ipma);
    const int version = VersionOf(cursor);
    const bool wide = (ipma[3] & 1) != 0;
    for (std::uint64_t entries = cursor.Read(4); entries > 0; --entries) {
        HeifItem& item = items[static_cast<std::uint32_t>(cursor.Read(version < 1 ? 2 : 4))];
        for (std::uint64_t n = cursor.Read(1); n > 0; --n) {
            const std::uint64_t index = cursor.Read(wide ? 2 : 1) & (wide ? 0x7FFF : 0x7F);
            if (index < 1 || index > properties.size())
                continue;
            const Box& property = properties[index - 1];
            if (property.type == "hvcC") {
                item.hvcc = property.body;
            } else if (property.type == "ispe") {
                Cursor ispe(property.body);
                VersionOf(ispe);
                CodedSize size;
                size.width = static_cast<std::int64_t>(ispe.Read(4));
                size.height = static_cast<std::int64_t>(ispe.Read(4));
                item.declared = size;
            }
        }
    }
}

void ReadReferences(std::string_view body, HeifItems& items) {
    Cursor cursor(body);
    const int idSize = VersionOf(cursor) == 0 ? 2 : 4;
    for (const Box& box : BoxesOf(body.substr(4))) {
        Cursor reference(box.body);
        const auto from = static_cast<std::uint32_t>(reference.Read(idSize));
        for (std::uint64_t n = reference.Read(2); n > 0; --n) {
            const auto to = static_cast<std::uint32_t>(reference.Read(idSize));
            if (box.type == "dimg")
                items[from].parts.push_back(to);
            else if (box.type == "auxl")
                items[to].auxiliary.push_back(from);
        }
    }
}

// An item's extents, from the file (construction method 0) or the meta box's idat (1); extents
// reaching past either make the file malformed. A grid's or overlay's first bytes are kept as its
// description, an HEVC picture's extents as its coded data; other items' are passed over.
void ReadExtents(std::string_view file, std::string_view idat, int method, std::uint64_t base,
                 Cursor& extents, int version, int sizes, HeifItem* item) {
    const bool described = item && (item->type == "grid" || item->type == "iovl");
    const bool coded = item && item->type == "hvc1";
    const int offsetSize = sizes >> 12, lengthSize = (sizes >> 8) & 15;
    const int indexSize = version >= 1 ? sizes & 15 : 0;
    for (std::uint64_t n = extents.Read(2); n > 0; --n) {
        extents.Read(indexSize);
        const std::uint64_t offset = base + extents.Read(offsetSize);
        const std::uint64_t length = extents.Read(lengthSize);
        const std::string_view source = method == 0 ? file : idat;
        if (!(described || coded) || method > 1)
            continue;  // not needed, or built from another item: a grid so built stays undescribed
        if (offset > source.size() || length > source.size() - offset)
            throw Malformed{};
        const std::string_view extent = source.substr(offset, length);
        if (coded)
            item->data.push_back(extent);
        else if (item->head.size() < kHeadBytes)
            item->head.append(extent.substr(0, kHeadBytes));
    }
}

// The descriptions of the grids and overlays among items and the HEVC pictures' coded data.
void ReadLocations(std::string_view file, std::string_view iloc, std::string_view idat,
                   HeifItems& items) {
    Cursor cursor(iloc);
    const int version = VersionOf(cursor);
    const auto sizes = static_cast<int>(cursor.Read(2));
    const int baseSize = (sizes >> 4) & 15;
    for (std::uint64_t count = cursor.Read(version < 2 ? 2 : 4); count > 0; --count) {
        const auto id = static_cast<std::uint32_t>(cursor.Read(version < 2 ? 2 : 4));
        const int method = version >= 1 ? static_cast<int>(cursor.Read(2) & 15) : 0;
        cursor.Read(2);  // data reference index
        const std::uint64_t base = cursor.Read(baseSize);
        const auto found = items.find(id);
        ReadExtents(file, idat, method, base, cursor, version, sizes,
                    found == items.end() ? nullptr : &found->second);
    }
}

HeifItems ItemsOfMeta(std::string_view file, std::string_view meta) {
    if (meta.size() < 4)
        throw Malformed{};
    HeifItems items;
    std::string_view ipco, ipma, iloc, idat;
    for (const Box& box : BoxesOf(meta.substr(4))) {
        if (box.type == "iloc")
            iloc = box.body;
        else if (box.type == "idat")
            idat = box.body;
        else if (box.type == "iinf")
            ReadItemInfo(box.body, items);
        else if (box.type == "iref")
            ReadReferences(box.body, items);
        else if (box.type == "iprp")
            for (const Box& inner : BoxesOf(box.body)) {
                if (inner.type == "ipco")
                    ipco = inner.body;
                else if (inner.type == "ipma")
                    ipma = inner.body;
            }
    }
    if (!ipma.empty())
        ReadProperties(ipco, ipma, items);
    if (!iloc.empty())
        ReadLocations(file, iloc, idat, items);
    return items;
}

}  // namespace

std::optional<HeifItems> ReadHeifItems(std::string_view file) {
    try {
        Cursor cursor(file);
        while (cursor.Left() > 0) {
            Box box = NextBox(cursor);
            if (box.type == "meta")
                return ItemsOfMeta(file, box.body);
        }
    } catch (const Malformed&) {
    }
    return std::nullopt;
}

}  // namespace albumon
