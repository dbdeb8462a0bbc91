// The libheif baseline of the HEIC benchmarks.
#include "HeifBaseline.h"

#include <libheif/heif.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace albumon::bench {

namespace {

struct Release {
    void operator()(heif_context* p) const { heif_context_free(p); }
    void operator()(heif_image_handle* p) const { heif_image_handle_release(p); }
    void operator()(heif_image* p) const { heif_image_release(p); }
    void operator()(heif_encoder* p) const { heif_encoder_release(p); }
};
using Context = std::unique_ptr<heif_context, Release>;
using Handle = std::unique_ptr<heif_image_handle, Release>;
using Image = std::unique_ptr<heif_image, Release>;
using Encoder = std::unique_ptr<heif_encoder, Release>;

void Require(const heif_error& error) {
    if (error.code != heif_error_Ok)
        std::abort();
}

}  // namespace

std::vector<unsigned char> HeifToJpeg(const std::string& heic, int quality) {
    Context context(heif_context_alloc());
    Require(heif_context_read_from_memory_without_copy(context.get(), heic.data(), heic.size(),
                                                       nullptr));
    heif_image_handle* handle = nullptr;
    Require(heif_context_get_primary_image_handle(context.get(), &handle));
    Handle owned(handle);
    heif_image* image = nullptr;
    Require(heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                              nullptr));
    Image decoded(image);
    int stride = 0;
    const std::uint8_t* rgb =
        heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image, heif_channel_interleaved);
    const int height = heif_image_get_height(image, heif_channel_interleaved);
    if (stride != width * 3)
        std::abort();  // padded rows: the benchmark pictures have none
    return Encode(rgb, width, height, quality, JCS_RGB);
}

bool WriteHeic(const std::vector<JSAMPLE>& bgr, JDIMENSION width, JDIMENSION height,
               const std::string& path) {
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    Context context(heif_context_alloc());
    heif_image* raw = nullptr;
    if (heif_image_create(w, h, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &raw).code)
        return false;
    Image image(raw);
    if (heif_image_add_plane(raw, heif_channel_interleaved, w, h, 8).code)
        return false;
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(raw, heif_channel_interleaved, &stride);
    for (int y = 0; y < h; ++y) {
        const JSAMPLE* in = bgr.data() + static_cast<std::size_t>(y) * w * 3;
        std::uint8_t* out = plane + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < w; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    heif_encoder* rawEncoder = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder).code)
        return false;
    Encoder encoder(rawEncoder);
    heif_encoder_set_lossy_quality(rawEncoder, 85);
    heif_encoder_set_parameter_string(rawEncoder, "preset", "fast");
    return heif_context_encode_image(context.get(), raw, rawEncoder, nullptr, nullptr).code ==
               heif_error_Ok &&
           heif_context_write_to_file(context.get(), path.c_str()).code == heif_error_Ok;
}

}  // namespace albumon::bench
