// Walking Photoshop image resources and IPTC-IIM datasets, both plain length-prefixed records.
#include "metadata/IptcLocation.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "metadata/ByteOrder.h"
#include "metadata/ExifLocation.h"
#include "metadata/XmpLocation.h"

namespace albumon {

namespace {

constexpr unsigned kIptcResource = 0x0404;
constexpr unsigned kIptcDigestResource = 0x0425;

bool OnlyZeros(const std::string& bytes, std::size_t from) {
    return bytes.find_first_not_of('\0', from) == std::string::npos;
}

// One image resource: its header (signature, id, name) and its data.
struct Resource {
    unsigned id = 0;
    std::string header;
    std::string data;
};

std::optional<std::vector<Resource>> Resources(const std::string& bytes) {
    static const std::string kSignatures[] = {"8BIM", "PHUT", "DCSR", "AgHg", "MeSa"};
    std::vector<Resource> resources;
    std::size_t at = 0;
    while (at < bytes.size() && !(bytes.size() - at < 12 && OnlyZeros(bytes, at))) {
        if (bytes.size() - at < 8)
            return std::nullopt;
        bool known = false;
        for (const std::string& signature : kSignatures)
            known = known || bytes.compare(at, 4, signature) == 0;
        const std::size_t nameLength = 1 + ByteAt(bytes, at + 6);
        const std::size_t dataAt = at + 6 + nameLength + nameLength % 2 + 4;
        if (!known || dataAt > bytes.size())
            return std::nullopt;
        const std::size_t size = BigEndian(bytes, dataAt - 4, 4);
        if (size > bytes.size() - dataAt)
            return std::nullopt;
        resources.push_back({static_cast<unsigned>(BigEndian(bytes, at + 4, 2)),
                             bytes.substr(at, dataAt - 4 - at), bytes.substr(dataAt, size)});
        at = std::min(bytes.size(), dataAt + size + size % 2);
    }
    return resources;
}

std::string ResourceBytes(const Resource& resource) {
    std::string bytes = resource.header + BigEndianBytes(resource.data.size(), 4) + resource.data;
    if (resource.data.size() % 2)
        bytes += '\0';
    return bytes;
}

bool IsPlace(unsigned record, unsigned dataset) {
    static constexpr unsigned kPlaces[] = {26, 27, 90, 92, 95, 100, 101};
    for (unsigned place : kPlaces) {
        if (record == 2 && dataset == place)
            return true;
    }
    return false;
}

// Says nothing about the picture: record versions and the character set.
bool IsBookkeeping(unsigned record, unsigned dataset) {
    return dataset == 0 || (record == 1 && dataset == 90);
}

// The copies of the EXIF block (0x0422, 0x0423) and of the XMP packet (0x0424) Photoshop keeps
// among its resources, vetted as the blocks themselves are; any other resource is kept.
BlockEdit CopyEdit(const Resource& resource, int nesting) {
    static const std::string kXmpHeader("http://ns.adobe.com/xap/1.0/\0", 29);
    if (resource.id == 0x0422 || resource.id == 0x0423) {
        BlockEdit edit = ExifLocationEdit(kExifHeader + resource.data, nesting);
        if (!edit.data.empty())
            edit.data.erase(0, kExifHeader.size());
        return edit;
    }
    if (resource.id != 0x0424)
        return BlockEdit::Kept();
    XmpEdit xmp = XmpLocationEdit({kXmpHeader + resource.data}, {});
    if (!xmp.changed)
        return BlockEdit::Kept();
    return {true, xmp.unreadable,
            xmp.payloads.empty() ? std::string() : xmp.payloads.front().substr(kXmpHeader.size())};
}

struct RecordEdit {
    bool changed = false;
    bool empty = true;
    std::string data;
};

std::optional<RecordEdit> RecordWithoutPlace(const std::string& bytes) {
    RecordEdit edit;
    std::size_t at = 0;
    while (at < bytes.size() && !OnlyZeros(bytes, at)) {
        if (bytes.size() - at < 5 || ByteAt(bytes, at) != 0x1C)
            return std::nullopt;
        const unsigned record = ByteAt(bytes, at + 1), dataset = ByteAt(bytes, at + 2);
        std::size_t headerSize = 5;
        std::size_t size = BigEndian(bytes, at + 3, 2);
        if (size & 0x8000) {  // an extended dataset: the next (size & 0x7FFF) bytes hold its size
            const std::size_t digits = size & 0x7FFF;
            if (digits > 4 || bytes.size() - at < 5 + digits)
                return std::nullopt;
            size = BigEndian(bytes, at + 5, digits);
            headerSize += digits;
        }
        if (size > bytes.size() - at - headerSize)
            return std::nullopt;
        if (IsPlace(record, dataset)) {
            edit.changed = true;
        } else {
            edit.data.append(bytes, at, headerSize + size);
            edit.empty = edit.empty && IsBookkeeping(record, dataset);
        }
        at += headerSize + size;
    }
    if (edit.changed && edit.empty)
        edit.data.clear();
    return edit;
}

}  // namespace

BlockEdit PhotoshopLocationEdit(const std::string& resources, int nesting) {
    std::optional<std::vector<Resource>> parsed = Resources(resources);
    if (!parsed)
        return BlockEdit::Unreadable();
    std::vector<RecordEdit> records;
    std::vector<BlockEdit> copies;
    bool recordChanged = false, changed = false, unreadable = false;
    for (const Resource& resource : *parsed) {
        if (resource.id == kIptcResource) {
            std::optional<RecordEdit> record = RecordWithoutPlace(resource.data);
            if (!record)
                return BlockEdit::Unreadable();
            recordChanged = recordChanged || record->changed;
            records.push_back(std::move(*record));
        }
        copies.push_back(CopyEdit(resource, nesting));
        changed = changed || copies.back().changed;
        unreadable = unreadable || copies.back().unreadable;
    }
    if (!changed && !recordChanged)
        return BlockEdit::Kept();
    // The digest is of the first record, the one readers compare with the picture's XMP.
    const std::string first = records.empty() ? std::string() : records.front().data;
    std::string data;
    std::size_t r = 0;
    for (std::size_t k = 0; k < parsed->size(); ++k) {
        Resource resource = (*parsed)[k];
        if (resource.id == kIptcResource) {
            resource.data = records[r++].data;
        } else if (resource.id == kIptcDigestResource && recordChanged) {
            resource.data = first.empty() ? std::string() : Md5Bytes(first);
        } else if (copies[k].changed) {
            resource.data = copies[k].data;
        }
        if (!resource.data.empty())
            data += ResourceBytes(resource);
    }
    return {true, unreadable, std::move(data)};
}

}  // namespace albumon
