// HEIC, PNG and WebP test pictures made with libheif, libpng and libwebp.
#include "PhoneFormatFixtures.h"

#include <algorithm>

#include <libheif/heif.h>
#include <png.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "PhotoFixtures.h"
#include "metadata/JpegSegments.h"
#include "pixels/ColourProfiles.h"

namespace albumon::test {

namespace {

// Red, green, blue and alpha of every pixel of the upright picture stored under an orientation
// tag, top row first; with alpha, the upright picture's top right quadrant is transparent.
std::vector<std::uint8_t> StoredRgba(const Raster& upright, int orientation, bool alpha) {
    Raster mask(upright.Width(), upright.Height(), pf8bit);
    for (std::int32_t y = 0; y < mask.Height(); ++y) {
        for (std::int32_t x = 0; x < mask.Width(); ++x)
            mask.Row(y)[x] = alpha && TransparentAt(y, x, mask.Width(), mask.Height()) ? 0 : 255;
    }
    const Raster raster = StoredFor(upright, orientation);
    mask = StoredFor(mask, orientation);
    std::vector<std::uint8_t> rgba;
    rgba.reserve(static_cast<std::size_t>(raster.Width()) * raster.Height() * 4);
    for (std::int32_t y = 0; y < raster.Height(); ++y) {
        const std::uint8_t* p = raster.Row(y);
        for (std::int32_t x = 0; x < raster.Width(); ++x, p += 3)
            rgba.insert(rgba.end(), {p[2], p[1], p[0], mask.Row(y)[x]});
    }
    return rgba;
}

void Require(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(what);
}

void Require(const heif_error& error) {
    Require(error.code == heif_error_Ok, error.message);
}

heif_error WriteHeif(heif_context*, const void* data, size_t size, void* out) {
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
    return {heif_error_Ok, heif_suberror_Unspecified, ""};
}

}  // namespace

std::string P3Profile() {
    static const std::string profile =
        MakeRgbProfile({0.680, 0.320, 0.265, 0.690, 0.150, 0.060, 0.3127, 0.3290}, {tkSrgb, 0});
    return profile;
}

std::string PhoneExif(int orientation, bool gps) {
    PhotoParts parts;
    parts.orientation = orientation;
    parts.gps = gps;
    parts.thumbnail = false;
    parts.icc = false;
    return ExifPayload(PhoneJpeg(Raster(8, 8, pf24bit), parts));
}

bool TransparentAt(std::int32_t y, std::int32_t x, std::int32_t width, std::int32_t height) {
    return y < height / 2 && x >= width / 2;
}

namespace {

using HeifImage = std::unique_ptr<heif_image, decltype(&heif_image_release)>;

// The upright picture as HEIF pixels stored under an orientation.
HeifImage StoredHeifImage(const Raster& upright, int orientation, bool alpha) {
    const Raster stored = StoredFor(upright, orientation);
    heif_image* raw = nullptr;
    Require(heif_image_create(stored.Width(), stored.Height(), heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                              &raw));
    HeifImage image(raw, &heif_image_release);
    Require(heif_image_add_plane(image.get(), heif_channel_interleaved, stored.Width(),
                                 stored.Height(), 8));
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    const std::vector<std::uint8_t> rgba = StoredRgba(upright, orientation, alpha);
    const int channels = alpha ? 4 : 3;
    for (std::int32_t y = 0; y < stored.Height(); ++y) {
        for (std::int32_t x = 0; x < stored.Width(); ++x) {
            for (int c = 0; c < channels; ++c)
                plane[y * stride + x * channels + c] = rgba[(y * stored.Width() + x) * 4 + c];
        }
    }
    return image;
}

}  // namespace

std::string HeicFile(const Raster& upright, const HeifParts& parts) {
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                        &heif_context_free);
    HeifImage image = StoredHeifImage(upright, parts.orientation, parts.alpha);
    if (parts.colour == hcIcc) {
        const std::string icc = P3Profile();
        Require(heif_image_set_raw_color_profile(image.get(), "prof", icc.data(), icc.size()));
    } else if (parts.colour == hcNclx) {
        heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
        heif_nclx_color_profile_set_color_primaries(nclx, 12);  // P3 (SMPTE EG 432-1)
        heif_nclx_color_profile_set_transfer_characteristics(nclx, 13);
        heif_nclx_color_profile_set_matrix_coefficients(nclx, parts.matrix);
        nclx->full_range_flag = parts.fullRange;
        Require(heif_image_set_nclx_color_profile(image.get(), nclx));
        heif_nclx_color_profile_free(nclx);
    }
    heif_encoder* encoder = nullptr;
    Require(heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &encoder));
    std::unique_ptr<heif_encoder, decltype(&heif_encoder_release)> owned(encoder,
                                                                         &heif_encoder_release);
    heif_encoder_set_lossy_quality(encoder, parts.quality);
    if (parts.chroma444)
        Require(heif_encoder_set_parameter_string(encoder, "chroma", "444"));
    std::unique_ptr<heif_encoding_options, decltype(&heif_encoding_options_free)> options(
        heif_encoding_options_alloc(), &heif_encoding_options_free);
    options->image_orientation = static_cast<heif_orientation>(parts.orientation);
    // libheif leaves out the nclx colr box unless asked (for old Apple readers)
    options->macOS_compatibility_workaround_no_nclx_profile = parts.colour == hcNclx ? 0 : 1;
    heif_image_handle* handle = nullptr;
    Require(heif_context_encode_image(context.get(), image.get(), encoder, options.get(), &handle));
    if (parts.exifOrientation) {
        const std::string exif = PhoneExif(parts.exifOrientation, parts.gps);
        Require(heif_context_add_exif_metadata(context.get(), handle, exif.data(),
                                               static_cast<int>(exif.size())));
    }
    if (parts.thumbnail) {
        HeifImage small = StoredHeifImage(*parts.thumbnail, parts.orientation, false);
        // libheif makes no thumbnail of a picture within the bounding box: one pixel less.
        const int box = std::max(parts.thumbnail->Width(), parts.thumbnail->Height()) - 1;
        heif_image_handle* thumbnail = nullptr;
        Require(heif_context_encode_thumbnail(context.get(), small.get(), handle, encoder,
                                              options.get(), box, &thumbnail));
        heif_image_handle_release(thumbnail);
    }
    heif_image_handle_release(handle);
    std::string bytes;
    heif_writer writer = {1, WriteHeif};
    Require(heif_context_write(context.get(), &writer, &bytes));
    return bytes;
}

namespace {

void AppendPng(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), length);
}

// Rows of the picture as the chosen PNG kind stores them, with the palette for palette pictures.
std::vector<std::vector<std::uint8_t>> PngRows(const Raster& upright, const PngParts& parts,
                                               std::vector<png_color>& palette,
                                               std::vector<png_byte>& alphas) {
    const int orientation = parts.exifOrientation ? parts.exifOrientation : 1;
    const Raster raster = StoredFor(upright, orientation);
    const std::vector<std::uint8_t> rgba = StoredRgba(upright, orientation, parts.alpha);
    const std::int32_t w = raster.Width();
    std::map<std::uint32_t, int> indices;
    std::vector<std::vector<std::uint8_t>> rows(raster.Height());
    for (std::int32_t y = 0; y < raster.Height(); ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            const std::uint8_t* p = &rgba[(y * w + x) * 4];
            const int channels = parts.alpha ? 4 : 3;
            if (parts.palette) {
                const std::uint32_t key = p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24;
                auto [it, fresh] = indices.emplace(key, static_cast<int>(palette.size()));
                if (fresh) {
                    Require(palette.size() < 256, "too many colours for a palette");
                    palette.push_back({p[0], p[1], p[2]});
                    alphas.push_back(p[3]);
                }
                rows[y].push_back(static_cast<std::uint8_t>(it->second));
                continue;
            }
            for (int c = 0; c < channels; ++c) {
                rows[y].push_back(p[c]);
                if (parts.sixteen)
                    rows[y].push_back(p[c]);  // v * 257, big-endian
            }
        }
    }
    return rows;
}

}  // namespace

std::string PngFile(const Raster& upright, const PngParts& parts) {
    const Raster stored = StoredFor(upright, parts.exifOrientation ? parts.exifOrientation : 1);
    std::string bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    std::vector<std::vector<std::uint8_t>> rows = PngRows(upright, parts, palette, alphas);
    std::vector<png_bytep> pointers;
    for (auto& row : rows)
        pointers.push_back(row.data());
    const std::string icc = P3Profile();
    const std::string exif = parts.exifOrientation ? PhoneExif(parts.exifOrientation, false) : "";
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng failed");
    }
    png_set_write_fn(png, &bytes, AppendPng, nullptr);
    const int type = parts.palette ? PNG_COLOR_TYPE_PALETTE
                     : parts.alpha ? PNG_COLOR_TYPE_RGBA
                                   : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, stored.Width(), stored.Height(), parts.sixteen ? 16 : 8, type,
                 parts.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (parts.palette) {
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
        if (parts.alpha)
            png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    }
    if (parts.icc) {
        png_set_iCCP(png, info, "P3", 0, reinterpret_cast<png_const_bytep>(icc.data()),
                     static_cast<png_uint_32>(icc.size()));
    }
    if (parts.gamma) {
        png_set_gAMA(png, info, 1 / 2.2);
        png_set_cHRM(png, info, 0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06);
    }
    if (!exif.empty()) {
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(exif.size() - 6),
                       reinterpret_cast<png_bytep>(const_cast<char*>(exif.data() + 6)));
    }
    png_write_info(png, info);
    if (parts.interlaced)
        png_set_interlace_handling(png);
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

std::string WebpFile(const Raster& upright, const WebpParts& parts) {
    const Raster stored = StoredFor(upright, parts.exifOrientation ? parts.exifOrientation : 1);
    const std::vector<std::uint8_t> rgba =
        StoredRgba(upright, parts.exifOrientation ? parts.exifOrientation : 1, parts.alpha);
    std::uint8_t* out = nullptr;
    const int stride = stored.Width() * 4;
    const std::size_t size =
        parts.lossless
            ? WebPEncodeLosslessRGBA(rgba.data(), stored.Width(), stored.Height(), stride, &out)
            : WebPEncodeRGBA(rgba.data(), stored.Width(), stored.Height(), stride, 90, &out);
    Require(size > 0, "WebP encoding failed");
    std::unique_ptr<std::uint8_t, decltype(&WebPFree)> encoded(out, &WebPFree);
    std::unique_ptr<WebPMux, decltype(&WebPMuxDelete)> mux(WebPMuxNew(), &WebPMuxDelete);
    const WebPData image = {out, size};
    Require(WebPMuxSetImage(mux.get(), &image, 1) == WEBP_MUX_OK, "WebPMuxSetImage");
    const std::string icc = P3Profile();
    const std::string exif = parts.exifOrientation ? PhoneExif(parts.exifOrientation, false) : "";
    if (parts.icc) {
        const WebPData chunk = {reinterpret_cast<const std::uint8_t*>(icc.data()), icc.size()};
        Require(WebPMuxSetChunk(mux.get(), "ICCP", &chunk, 1) == WEBP_MUX_OK, "ICCP");
    }
    if (!exif.empty()) {
        const WebPData chunk = {reinterpret_cast<const std::uint8_t*>(exif.data() + 6),
                                exif.size() - 6};
        Require(WebPMuxSetChunk(mux.get(), "EXIF", &chunk, 1) == WEBP_MUX_OK, "EXIF");
    }
    WebPData assembled;
    WebPDataInit(&assembled);
    Require(WebPMuxAssemble(mux.get(), &assembled) == WEBP_MUX_OK, "WebPMuxAssemble");
    std::string bytes(reinterpret_cast<const char*>(assembled.bytes), assembled.size);
    WebPDataClear(&assembled);
    return bytes;
}

}  // namespace albumon::test
