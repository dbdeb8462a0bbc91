// Telling picture formats apart by content, and what the adapters share.
#include "codecs/PhotoFormats.h"

#include <array>
#include <string_view>

#include "codecs/HeifAdapter.h"
#include "codecs/PngAdapter.h"
#include "codecs/WebpAdapter.h"
#include "metadata/ByteOrder.h"
#include "pixels/GraphicErrors.h"

namespace albumon {

namespace {

bool StartsWith(const std::string& bytes, std::size_t at, std::string_view text) {
    return bytes.size() >= at + text.size() && bytes.compare(at, text.size(), text) == 0;
}

// The HEIF brands of the "ftyp" box's major brand and the first compatible ones.
bool IsHeif(const std::string& bytes) {
    if (!StartsWith(bytes, 4, "ftyp"))
        return false;
    static constexpr std::array<const char*, 8> kBrands = {"heic", "heix", "heim", "heis",
                                                           "hevc", "hevx", "mif1", "msf1"};
    for (std::size_t at = 8; at + 4 <= bytes.size() && at < 64; at += 4) {
        if (at == 12)
            continue;  // the minor version
        for (const char* brand : kBrands) {
            if (bytes.compare(at, 4, brand) == 0)
                return true;
        }
    }
    return false;
}

}  // namespace

PictureKind SniffPicture(const std::string& bytes) {
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xD8 &&
        static_cast<unsigned char>(bytes[2]) == 0xFF)
        return pkJpeg;
    if (StartsWith(bytes, 0, std::string_view("\x89PNG\r\n\x1a\n", 8)))
        return pkPng;
    if (StartsWith(bytes, 0, "RIFF") && StartsWith(bytes, 8, "WEBP"))
        return pkWebp;
    if (IsHeif(bytes))
        return pkHeif;
    return pkUnknown;
}

void CheckPictureSize(std::int64_t width, std::int64_t height, std::int64_t maxPixels) {
    if (width < 1 || height < 1)
        throw EInvalidGraphic("画像のサイズが正しくありません");
    if (width > INT32_MAX || height > INT32_MAX ||
        Raster::RowLengthFor(width, 4) * height > kMaxRasterBytes || width * height > maxPixels)
        throw EInvalidGraphic("画像が大きすぎます");
}

void FlattenRow(const std::uint8_t* bgra, std::uint8_t* bgr, std::int32_t width) {
    for (std::int32_t x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        const unsigned alpha = bgra[3];
        const unsigned white = 255 * (255 - alpha);
        for (int c = 0; c < 3; ++c)
            bgr[c] = static_cast<std::uint8_t>((bgra[c] * alpha + white + 127) / 255);
    }
}

std::string ExifPayloadOf(const std::string& block) {
    std::string payload = StartsWith(block, 0, "Exif") && block.size() >= kExifHeader.size()
                              ? kExifHeader + block.substr(kExifHeader.size())
                              : kExifHeader + block;
    const bool tiff =
        StartsWith(payload, 6, "II*") || StartsWith(payload, 6, std::string_view("MM\0*", 4));
    if (!tiff || payload.size() > kMaxSegmentPayload)
        return {};
    return payload;
}

DecodedPicture DecodePhoto(const std::string& bytes, std::int64_t maxPixels) {
    switch (SniffPicture(bytes)) {
        case pkHeif:
            return DecodeHeif(bytes, maxPixels);
        case pkPng:
            return DecodePng(bytes, maxPixels);
        case pkWebp:
            return DecodeWebp(bytes, maxPixels);
        default:
            throw EInvalidGraphic("画像の形式が分かりません");
    }
}

}  // namespace albumon
