// Decoding WebP files with libwebp; the chunks around the picture come from WebPDemux.
#include "codecs/WebpAdapter.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <memory>

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

// A picture with alpha decoded into the buffer of a raster as many 24-bit rows high as 4 bytes a
// pixel need, flattened onto white in place (each pixel lands no later in the buffer than it was
// read from) and then cut to its own size, which keeps the buffer's first bytes.
Raster FlattenedDecode(const std::uint8_t* data, std::size_t size,
                       const WebPBitstreamFeatures& features) {
    const std::int64_t stride = std::int64_t{features.width} * 4;
    const std::int64_t rowLength = Raster::RowLengthFor(features.width, 3);
    const std::int64_t rows = (stride * features.height + rowLength - 1) / rowLength;
    Raster raster(features.width, static_cast<std::int32_t>(rows), pf24bit);
    std::uint8_t* pixels = raster.Row(0);
    if (!WebPDecodeBGRAInto(data, size, pixels, static_cast<std::size_t>(stride * features.height),
                            static_cast<int>(stride)))
        Fail(VP8_STATUS_BITSTREAM_ERROR);
    for (std::int32_t y = 0; y < features.height; ++y)
        FlattenRow(pixels + y * stride, pixels + y * rowLength, features.width);
    raster.SetSize(features.width, features.height);
    return raster;
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
    // Lossless data is decoded whole into 4 bytes a pixel first, lossy alpha into a plane of 1;
    // with alpha the raster's own buffer takes the decode at 4 bytes a pixel, 1 more than it keeps.
    constexpr int kLossless = 2;
    const bool lossless = features.format == kLossless;
    CheckDecodeBytes(features.width, features.height,
                     (lossless ? 4 : 0) + (features.has_alpha ? (lossless ? 1 : 2) : 0));
    DecodedPicture picture;
    picture.raster = features.has_alpha ? FlattenedDecode(data, bytes.size(), features)
                                        : Raster(features.width, features.height, pf24bit);
    Raster& raster = picture.raster;
    if (!features.has_alpha) {
        const auto rowLength = static_cast<int>(raster.RowLength());
        const std::size_t size = static_cast<std::size_t>(rowLength) * raster.Height();
        if (!WebPDecodeBGRInto(data, bytes.size(), raster.Row(0), size, rowLength))
            Fail(VP8_STATUS_BITSTREAM_ERROR);
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
