// Decoding WebP files with libwebp; the chunks around the picture come from WebPDemux.
#include "codecs/WebpAdapter.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <memory>
#include <vector>

#include "metadata/ExifTags.h"
#include "pixels/GraphicErrors.h"

namespace albumon {

namespace {

struct DemuxRelease {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};

// The payload of the first chunk with fourcc, or empty.
std::string Chunk(WebPDemuxer* demux, const char* fourcc) {
    WebPChunkIterator chunk;
    if (!WebPDemuxGetChunk(demux, fourcc, 1, &chunk))
        return {};
    std::string payload(reinterpret_cast<const char*>(chunk.chunk.bytes), chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
    return payload;
}

[[noreturn]] void Fail(VP8StatusCode status) {
    throw EInvalidGraphic("WebP エラー #" + std::to_string(static_cast<int>(status)));
}

}  // namespace

DecodedPicture DecodeWebp(const std::string& bytes, std::int64_t maxPixels) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    WebPBitstreamFeatures features;
    VP8StatusCode status = WebPGetFeatures(data, bytes.size(), &features);
    if (status != VP8_STATUS_OK)
        Fail(status);
    if (features.has_animation)
        Fail(VP8_STATUS_UNSUPPORTED_FEATURE);
    CheckPictureSize(features.width, features.height, maxPixels);
    // Lossless data is decoded whole into 4 bytes a pixel first; alpha goes through 4 bytes a
    // pixel of output besides the raster.
    constexpr int kLossless = 2;
    CheckDecodeBytes(features.width, features.height,
                     (features.format == kLossless ? 4 : 0) + (features.has_alpha ? 4 : 0));
    DecodedPicture picture;
    picture.raster = Raster(features.width, features.height, pf24bit);
    Raster& raster = picture.raster;
    const auto rowLength = static_cast<int>(raster.RowLength());
    const std::size_t size = static_cast<std::size_t>(rowLength) * raster.Height();
    if (!features.has_alpha) {
        if (!WebPDecodeBGRInto(data, bytes.size(), raster.Row(0), size, rowLength))
            Fail(VP8_STATUS_BITSTREAM_ERROR);
    } else {
        const int stride = features.width * 4;
        std::vector<std::uint8_t> bgra(static_cast<std::size_t>(stride) * features.height);
        if (!WebPDecodeBGRAInto(data, bytes.size(), bgra.data(), bgra.size(), stride))
            Fail(VP8_STATUS_BITSTREAM_ERROR);
        for (std::int32_t y = 0; y < raster.Height(); ++y)
            FlattenRow(bgra.data() + static_cast<std::size_t>(y) * stride, raster.Row(y),
                       raster.Width());
    }
    const WebPData whole = {data, bytes.size()};
    std::unique_ptr<WebPDemuxer, DemuxRelease> demux(WebPDemux(&whole));
    if (demux) {
        picture.icc = Chunk(demux.get(), "ICCP");
        picture.exif = ExifPayloadOf(Chunk(demux.get(), "EXIF"));
        picture.orientation = ExifOrientation(picture.exif);
    }
    return picture;
}

}  // namespace albumon
