// Finding a picture file's EXIF block by reading its headers only.
#include "metadata/TakenTime.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "FileSystem.h"
#include "metadata/ByteOrder.h"
#include "metadata/ExifTags.h"
#include "metadata/JpegSegments.h"
#include "metadata/PictureKind.h"

namespace albumon {

namespace {

// The largest EXIF block looked at (an APP1 segment's payload at most; HEIF and the chunk
// formats are not bound to it, ExifPayloadOf refuses larger ones).
constexpr std::uint32_t kMaxBlock = 65535;
// The largest HEIF Exif item looked at (a four-byte offset and some padding before the block).
constexpr std::uint64_t kMaxItem = 1u << 20;

// Reads count bytes at offset; shorter (or empty) at the end of the file or on an error.
std::string ReadAt(const FileHandle& file, std::uint64_t offset, std::size_t count) {
    std::string bytes(count, '\0');
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n =
            ::pread(file.get(), bytes.data() + got, count - got, static_cast<off_t>(offset + got));
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

// The marker segments up to the first scan (or an end-of-image marker before it); the first APP1
// segment holding "Exif\0\0".
std::string JpegExif(const FileHandle& file) {
    const ByteSource read = [&file](std::uint64_t at, std::size_t count) {
        return ReadAt(file, at, count);
    };
    std::string exif;
    WalkHeaderSegments(read, [&](const JpegSegment& segment) {
        if (segment.marker == 0xD9)
            return false;
        if (segment.marker != 0xE1 || segment.length < 4 + kExifHeader.size())
            return true;
        std::string payload = ReadAt(file, segment.offset + 4, segment.length - 4);
        if (payload.compare(0, kExifHeader.size(), kExifHeader) != 0)
            return true;
        exif = std::move(payload);
        return false;
    });
    return exif;
}

// The chunks after the signature, up to IEND; the eXIf chunk's data.
std::string PngExif(const FileHandle& file) {
    std::uint64_t at = 8;
    for (;;) {
        const std::string chunk = ReadAt(file, at, 8);
        if (chunk.size() < 8 || chunk.compare(4, 4, "IEND") == 0)
            return {};
        const std::uint64_t length = BigEndian(chunk, 0, 4);
        if (chunk.compare(4, 4, "eXIf") == 0)
            return length <= kMaxBlock ? ExifPayloadOf(ReadAt(file, at + 8, length)) : "";
        at += 12 + length;
    }
}

// The chunks of the RIFF container; the EXIF chunk's data.
std::string WebpExif(const FileHandle& file) {
    std::uint64_t at = 12;
    for (;;) {
        const std::string chunk = ReadAt(file, at, 8);
        if (chunk.size() < 8)
            return {};
        const auto size = static_cast<std::uint32_t>(LittleEndian(chunk, 4, 4));
        if (chunk.compare(0, 4, "EXIF") == 0)
            return size <= kMaxBlock ? ExifPayloadOf(ReadAt(file, at + 8, size)) : "";
        at += 8 + std::uint64_t{size} + (size & 1);
    }
}

// HEIF boxes are walked here rather than through libheif, which reads all of a file's picture
// data when it opens the file.

struct Box {
    std::string type;
    std::uint64_t content = 0;  // where its content starts
    std::uint64_t end = 0;
};

// The box at `at`, which must end by limit.
std::optional<Box> BoxAt(const ByteSource& read, std::uint64_t at, std::uint64_t limit) {
    const std::string head = read(at, 16);
    if (head.size() < 8)
        return std::nullopt;
    std::uint64_t size = BigEndian(head, 0, 4);
    std::uint64_t header = 8;
    if (size == 1 && head.size() == 16) {
        size = BigEndian(head, 8, 8);
        header = 16;
    } else if (size == 0) {
        size = limit - at;
    }
    if (size < header || size > limit - at)
        return std::nullopt;
    return Box{head.substr(4, 4), at + header, at + size};
}

// The first box of the type among the boxes from `from` to limit.
std::optional<Box> FindBox(const ByteSource& read, std::uint64_t from, std::uint64_t limit,
                           const char* type) {
    for (std::uint64_t at = from; at < limit;) {
        std::optional<Box> box = BoxAt(read, at, limit);
        if (!box || box->type == type)
            return box;
        at = box->end;
    }
    return std::nullopt;
}

// Reads big-endian numbers of a box's content one after the other; past the end they are 0 and
// the reader is spent.
class Fields {
  public:
    Fields(const std::string& bytes, std::uint64_t at, std::uint64_t end)
        : bytes_(bytes), at_(at), end_(std::min<std::uint64_t>(end, bytes.size())) {}
    std::uint64_t Take(int size) {
        if (at_ + size > end_) {
            spent_ = true;
            return 0;
        }
        const std::uint64_t value = size == 0 ? 0 : BigEndian(bytes_, at_, size);
        at_ += size;
        return value;
    }
    std::string Type() {
        const std::uint64_t at = at_;
        Take(4);
        return spent_ ? std::string() : bytes_.substr(at, 4);
    }
    bool Spent() const { return spent_; }

  private:
    const std::string& bytes_;
    std::uint64_t at_;
    std::uint64_t end_;
    bool spent_ = false;
};

// The id of the first item of type "Exif" in the item information box.
std::optional<std::uint64_t> ExifItem(const std::string& meta, const ByteSource& read,
                                      const Box& iinf) {
    Fields head(meta, iinf.content, iinf.end);
    const std::uint64_t version = head.Take(1);
    head.Take(3);
    head.Take(version == 0 ? 2 : 4);
    for (std::uint64_t at = iinf.content + (version == 0 ? 6 : 8); at < iinf.end;) {
        const std::optional<Box> infe = BoxAt(read, at, iinf.end);
        if (!infe)
            return std::nullopt;
        Fields entry(meta, infe->content, infe->end);
        const std::uint64_t entryVersion = entry.Take(1);
        entry.Take(3);
        if (infe->type == "infe" && entryVersion >= 2) {
            const std::uint64_t id = entry.Take(entryVersion == 2 ? 2 : 4);
            entry.Take(2);
            if (entry.Type() == "Exif" && !entry.Spent())
                return id;
        }
        at = infe->end;
    }
    return std::nullopt;
}

// Where the item's data lies: extents of the file (construction method 0) or of the meta box's
// idat box (method 1).
struct ItemPlace {
    int method = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;  // offset, length
};

std::optional<ItemPlace> PlaceOf(const std::string& meta, const Box& iloc, std::uint64_t item) {
    Fields f(meta, iloc.content, iloc.end);
    const std::uint64_t version = f.Take(1);
    f.Take(3);
    const std::uint64_t sizes = f.Take(2);
    const int offsetSize = static_cast<int>(sizes >> 12), lengthSize = (sizes >> 8) & 15;
    const int baseSize = (sizes >> 4) & 15, indexSize = version >= 1 ? sizes & 15 : 0;
    const std::uint64_t count = f.Take(version < 2 ? 2 : 4);
    for (std::uint64_t k = 0; k < count && !f.Spent(); ++k) {
        ItemPlace place;
        const std::uint64_t id = f.Take(version < 2 ? 2 : 4);
        if (version >= 1)
            place.method = static_cast<int>(f.Take(2) & 15);
        f.Take(2);
        const std::uint64_t base = f.Take(baseSize);
        const std::uint64_t extents = f.Take(2);
        for (std::uint64_t e = 0; e < extents && !f.Spent(); ++e) {
            f.Take(indexSize);
            const std::uint64_t offset = f.Take(offsetSize);
            place.extents.emplace_back(base + offset, f.Take(lengthSize));
        }
        if (id == item && !f.Spent())
            return place;
    }
    return std::nullopt;
}

// The meta box's Exif item: a four-byte offset to the TIFF header, then the block.
std::string HeifExif(const FileHandle& file) {
    struct stat st {};
    if (::fstat(file.get(), &st) != 0)
        return {};
    const ByteSource fromFile = [&file](std::uint64_t at, std::size_t count) {
        return ReadAt(file, at, count);
    };
    const std::optional<Box> metaBox = FindBox(fromFile, 0, st.st_size, "meta");
    constexpr std::uint64_t kMaxMeta = 4u << 20;
    if (!metaBox || metaBox->end - metaBox->content > kMaxMeta)
        return {};
    const std::string meta = ReadAt(file, metaBox->content, metaBox->end - metaBox->content);
    const ByteSource read = [&meta](std::uint64_t at, std::size_t count) {
        return at < meta.size() ? meta.substr(at, count) : std::string();
    };
    const std::optional<Box> iinf = FindBox(read, 4, meta.size(), "iinf");
    const std::optional<Box> iloc = FindBox(read, 4, meta.size(), "iloc");
    const std::optional<std::uint64_t> item = iinf ? ExifItem(meta, read, *iinf) : std::nullopt;
    const std::optional<ItemPlace> place =
        item && iloc ? PlaceOf(meta, *iloc, *item) : std::nullopt;
    if (!place || place->method > 1)
        return {};
    const std::optional<Box> idat = FindBox(read, 4, meta.size(), "idat");
    std::string block;
    for (const auto& [offset, length] : place->extents) {
        if (length == 0 || block.size() + length > kMaxItem)
            return {};
        if (place->method == 0)
            block += ReadAt(file, offset, length);
        else if (idat)
            block += read(idat->content + offset, length);
    }
    if (block.size() < 4)
        return {};
    const std::uint64_t tiff = BigEndian(block, 0, 4);
    return tiff <= block.size() - 4 ? ExifPayloadOf(block.substr(4 + tiff)) : std::string();
}

}  // namespace

std::string HeaderExif(const std::string& path) {
    FileHandle file;
    if (OpenInputFile(path, kNoSizeLimit, file) != 0)
        return {};
    switch (SniffPicture(ReadAt(file, 0, 64))) {
        case pkJpeg:
            return JpegExif(file);
        case pkPng:
            return PngExif(file);
        case pkWebp:
            return WebpExif(file);
        case pkHeif:
            return HeifExif(file);
        default:
            return {};
    }
}

std::optional<std::int64_t> TakenTime(const std::string& path) {
    return ExifTakenTime(HeaderExif(path));
}

}  // namespace albumon
