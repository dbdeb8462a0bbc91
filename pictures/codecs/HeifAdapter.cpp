// Decoding HEIF files with libheif.
#include "codecs/HeifAdapter.h"

#include <libde265/de265.h>
#include <libheif/heif.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "codecs/HeifItems.h"
#include "metadata/ExifTags.h"
#include "pixels/ColourProfiles.h"
#include "pixels/GraphicErrors.h"
#include "pixels/YcbcrPlanes.h"

namespace albumon {

namespace {

struct HeifRelease {
    void operator()(heif_context* context) const { heif_context_free(context); }
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
    void operator()(heif_image* image) const { heif_image_release(image); }
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
    void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};
template <class T>
using HeifHandle = std::unique_ptr<T, HeifRelease>;

// Turns a libheif error into ours once the caller's handles are released (the message is
// copied first: it belongs to the library).
void Check(const heif_error& error) {
    if (error.code != heif_error_Ok)
        throw EInvalidGraphic("HEIF エラー: " + std::string(error.message ? error.message : ""));
}

// The Exif block stored with the picture: a 4-byte offset to the TIFF header, then the block.
std::string ExifOf(const heif_image_handle* handle) {
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1)
        return {};
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size < 4 || size > (1u << 20))
        return {};
    std::string block(size, '\0');
    if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok)
        return {};
    const auto* b = reinterpret_cast<const unsigned char*>(block.data());
    const std::size_t offset = (std::size_t{b[0]} << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
    if (offset > size - 4)
        return {};
    return ExifPayloadOf(block.substr(4 + offset));
}

TransferCurve CurveOf(heif_transfer_characteristics transfer) {
    switch (transfer) {
        case heif_transfer_characteristic_ITU_R_BT_709_5:
        case heif_transfer_characteristic_ITU_R_BT_601_6:
        case heif_transfer_characteristic_ITU_R_BT_2020_2_10bit:
        case heif_transfer_characteristic_ITU_R_BT_2020_2_12bit:
            return {tkVideo, 0};
        case heif_transfer_characteristic_linear:
            return {tkGamma, 1.0};
        case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
            return {tkGamma, 2.2};
        case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
            return {tkGamma, 2.8};
        default:
            return {tkSrgb, 0};
    }
}

std::string ProfileOf(const heif_image_handle* handle) {
    if (const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle)) {
        std::string icc(size, '\0');
        if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code == heif_error_Ok)
            return icc;
    }
    heif_color_profile_nclx* raw = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &raw).code != heif_error_Ok || !raw)
        return {};
    HeifHandle<heif_color_profile_nclx> nclx(raw);
    Chromaticities primaries;
    if (nclx->color_primary_white_x > 0 && nclx->color_primary_red_x > 0) {
        primaries = {nclx->color_primary_red_x,   nclx->color_primary_red_y,
                     nclx->color_primary_green_x, nclx->color_primary_green_y,
                     nclx->color_primary_blue_x,  nclx->color_primary_blue_y,
                     nclx->color_primary_white_x, nclx->color_primary_white_y};
    }
    return MakeRgbProfile(primaries, CurveOf(nclx->transfer_characteristics));
}

// Interleaved red, green, blue (and alpha) rows written as blue, green, red onto white.
void CopyPixels(const heif_image* image, bool alpha, Raster& raster) {
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    if (!plane)
        throw EInvalidGraphic("HEIF エラー: 画素がありません");
    const std::int32_t width = raster.Width();
    std::vector<std::uint8_t> bgra(alpha ? static_cast<std::size_t>(width) * 4 : 0);
    for (std::int32_t y = 0; y < raster.Height(); ++y) {
        const std::uint8_t* in = plane + static_cast<std::ptrdiff_t>(y) * stride;
        std::uint8_t* out = raster.Row(y);
        if (!alpha) {
            for (std::int32_t x = 0; x < width; ++x, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
            continue;
        }
        for (std::int32_t x = 0; x < width; ++x, in += 4) {
            bgra[x * 4] = in[2];
            bgra[x * 4 + 1] = in[1];
            bgra[x * 4 + 2] = in[0];
            bgra[x * 4 + 3] = in[3];
        }
        FlattenRow(bgra.data(), out, width);
    }
}

HeifHandle<heif_image> Decoded(const heif_image_handle* handle, heif_colorspace colourspace,
                               heif_chroma chroma) {
    HeifHandle<heif_decoding_options> options(heif_decoding_options_alloc());
    heif_image* image = nullptr;
    Check(heif_decode_image(handle, &image, colourspace, chroma, options.get()));
    return HeifHandle<heif_image>(image);
}

// The luma weights and range of the decoded planes, as libheif's own conversion reads them (no
// description: BT.601, full range); false for a coding plain weights cannot undo (identity,
// YCgCo, constant luminance, weights derived from the primaries).
bool MatrixOf(const heif_image* image, YcbcrMatrix& matrix) {
    heif_color_profile_nclx* raw = nullptr;
    if (heif_image_get_nclx_color_profile(image, &raw).code != heif_error_Ok || !raw)
        return true;
    HeifHandle<heif_color_profile_nclx> nclx(raw);
    matrix.fullRange = nclx->full_range_flag != 0;
    switch (nclx->matrix_coefficients) {
        case heif_matrix_coefficients_ITU_R_BT_709_5:
            matrix.kr = 0.2126, matrix.kb = 0.0722;
            return true;
        case heif_matrix_coefficients_US_FCC_T47:
            matrix.kr = 0.30, matrix.kb = 0.11;
            return true;
        case heif_matrix_coefficients_SMPTE_240M:
            matrix.kr = 0.212, matrix.kb = 0.087;
            return true;
        case heif_matrix_coefficients_ITU_R_BT_2020_2_non_constant_luminance:
            matrix.kr = 0.2627, matrix.kb = 0.0593;
            return true;
        case heif_matrix_coefficients_unspecified:
        case heif_matrix_coefficients_ITU_R_BT_470_6_System_B_G:
        case heif_matrix_coefficients_ITU_R_BT_601_6:
            return true;
        default:
            return false;
    }
}

// The decoder's 8-bit 4:2:0 planes turned straight into the raster; false (raster untouched) for
// any other layout.
bool FromPlanes(const heif_image* image, Raster& raster) {
    if (heif_image_get_chroma_format(image) != heif_chroma_420)
        return false;
    YcbcrMatrix matrix;
    if (heif_image_get_colorspace(image) != heif_colorspace_YCbCr || !MatrixOf(image, matrix))
        return false;
    const int width = heif_image_get_width(image, heif_channel_Y);
    const int height = heif_image_get_height(image, heif_channel_Y);
    for (heif_channel channel : {heif_channel_Y, heif_channel_Cb, heif_channel_Cr}) {
        const bool chroma = channel != heif_channel_Y;
        if (heif_image_get_bits_per_pixel_range(image, channel) != 8 ||
            heif_image_get_width(image, channel) <= (chroma ? (width - 1) / 2 : 0) ||
            heif_image_get_height(image, channel) <= (chroma ? (height - 1) / 2 : 0))
            return false;
    }
    YcbcrPlanes planes;
    int yStride = 0, cbStride = 0, crStride = 0;
    planes.y = heif_image_get_plane_readonly(image, heif_channel_Y, &yStride);
    planes.cb = heif_image_get_plane_readonly(image, heif_channel_Cb, &cbStride);
    planes.cr = heif_image_get_plane_readonly(image, heif_channel_Cr, &crStride);
    if (!planes.y || !planes.cb || !planes.cr || width < 1 || height < 1)
        return false;
    planes.yStride = yStride, planes.cbStride = cbStride, planes.crStride = crStride;
    raster = Raster(width, height, pf24bit);
    YcbcrToRaster(planes, matrix, raster);
    return true;
}

// Whether the picture is read from its 4:2:0 planes: 8-bit, no alpha, and an even size, so that
// after libheif's turns and mirrors every chroma sample still covers its own two by two pixels.
// The album's JPEG is 4:2:0 as well, so a 4:4:4 source loses nothing it would keep.
bool TakesPlanes(const heif_image_handle* handle) {
    return !heif_image_handle_has_alpha_channel(handle) &&
           heif_image_handle_get_luma_bits_per_pixel(handle) == 8 &&
           heif_image_handle_get_chroma_bits_per_pixel(handle) == 8 &&
           heif_image_handle_get_width(handle) % 2 == 0 &&
           heif_image_handle_get_height(handle) % 2 == 0;
}

// Coded sizes pad the declared one up to whole coding blocks, at most 64 luma samples a side.
constexpr std::int64_t kCodingBlock = 64;
// The widest side libheif is told to accept.
constexpr std::int64_t kMaxHeifSide = 32768;
// How deep auxiliary pictures (alpha, depth) of auxiliary pictures are followed.
constexpr int kMaxAuxiliaryDepth = 2;

[[noreturn]] void Refuse(const std::string& why) {
    throw EInvalidGraphic("HEIF エラー: " + why);
}

std::int64_t Padded(std::int64_t side) {
    return (side + kCodingBlock - 1) / kCodingBlock * kCodingBlock;
}

// The item with its declared size (which CheckPictureSize has bounded).
const HeifItem& SizedItem(const HeifItems& items, std::uint32_t id, std::int64_t maxPixels) {
    const auto found = items.find(id);
    if (found == items.end() || !found->second.declared)
        Refuse("画像の大きさが書かれていません");
    CheckPictureSize(found->second.declared->width, found->second.declared->height, maxPixels);
    return found->second;
}

bool Within(const CodedSize& coded, std::int64_t width, std::int64_t height) {
    return coded.width <= Padded(width) && coded.height <= Padded(height);
}

void CheckWithin(const CodedSize& coded, const CodedSize& declared, std::int64_t maxPixels) {
    CheckPictureSize(coded.width, coded.height, maxPixels);
    if (!Within(coded, declared.width, declared.height) &&
        !Within(coded, declared.height, declared.width))
        Refuse("符号化された大きさが画像の大きさを超えています");
}

// An HEVC picture whose parameter sets, in its configuration and repeated in its coded data,
// declare no more than its own size, padded. The size may be declared turned: libheif writes a
// turned picture's ispe after its turn.
void CheckCoded(const HeifItem& item, std::int64_t maxPixels) {
    const std::optional<CodedSize> coded = HevcCodedSize(item.hvcc);
    if (!coded)
        Refuse("HEVC の設定が読めません");
    CheckWithin(*coded, *item.declared, maxPixels);
    std::string joined;  // a unit may run on from one extent into the next
    if (item.data.size() > 1)
        for (std::string_view extent : item.data)
            joined.append(extent);
    const std::string_view data = item.data.size() == 1 ? item.data[0] : joined;
    if (const std::optional<CodedSize> repeated = HevcDataSize(item.hvcc, data))
        CheckWithin(*repeated, *item.declared, maxPixels);
}

// A big-endian field of a grid's or overlay's description.
std::int64_t FieldOf(const HeifItem& item, std::size_t at, std::size_t size) {
    if (item.head.size() < at + size)
        Refuse("グリッドの記述が読めません");
    std::int64_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value = (value << 8) | static_cast<unsigned char>(item.head[at + i]);
    return value;
}

// The output size a grid's or overlay's description gives (libheif allocates by it), which may
// not exceed its declared size, either way round.
CodedSize DescribedSize(const HeifItem& item, std::size_t at) {
    const std::size_t size = FieldOf(item, 1, 3) & 1 ? 4 : 2;
    const CodedSize described{FieldOf(item, at, size), FieldOf(item, at + size, size)};
    const CodedSize& declared = *item.declared;
    if ((described.width > declared.width || described.height > declared.height) &&
        (described.width > declared.height || described.height > declared.width))
        Refuse("記述された大きさが画像の大きさを超えています");
    return described;
}

// One side of a grid: columns (or rows) of tiles that cover it with no tile wholly outside.
void CheckCover(std::int64_t side, std::int64_t tiles, std::int64_t tile) {
    if (tiles * tile < side || (tiles - 1) * tile >= side)
        Refuse("タイルが画像の大きさに合いません");
}

// A grid's tiles, all of one size, in the rows and columns its description gives.
void CheckGrid(const HeifItems& items, const HeifItem& grid) {
    constexpr std::size_t kSizesAt = 4;
    const CodedSize described = DescribedSize(grid, kSizesAt);
    const std::int64_t rows = FieldOf(grid, 2, 1) + 1, columns = FieldOf(grid, 3, 1) + 1;
    if (rows * columns != static_cast<std::int64_t>(grid.parts.size()))
        Refuse("タイルの数が合いません");
    const CodedSize tile = *items.at(grid.parts.front()).declared;
    for (std::uint32_t id : grid.parts) {
        const CodedSize size = *items.at(id).declared;
        if (size.width != tile.width || size.height != tile.height)
            Refuse("タイルの大きさがそろっていません");
    }
    CheckCover(described.width, columns, tile.width);
    CheckCover(described.height, rows, tile.height);
}

// A grid's or overlay's parts: HEVC pictures each, laid out as its description says.
void CheckParts(const HeifItems& items, const HeifItem& whole, std::int64_t maxPixels) {
    constexpr std::size_t kCanvasAt = 12;  // after the overlay's fill colour
    if (whole.parts.empty())
        Refuse("タイルがありません");
    for (std::uint32_t id : whole.parts) {
        const HeifItem& part = SizedItem(items, id, maxPixels);
        if (part.type != "hvc1")
            Refuse("タイルが HEVC の画像ではありません");
        CheckCoded(part, maxPixels);
    }
    if (whole.type == "grid")
        CheckGrid(items, whole);
    else
        DescribedSize(whole, kCanvasAt);
}

// One picture and its auxiliary pictures, checked before libheif sizes any buffer by them.
void CheckItem(const HeifItems& items, std::uint32_t id, std::int64_t maxPixels, int depth) {
    const HeifItem& item = SizedItem(items, id, maxPixels);
    if (item.type == "hvc1")
        CheckCoded(item, maxPixels);
    else if (item.type == "grid" || item.type == "iovl")
        CheckParts(items, item, maxPixels);
    if (depth < kMaxAuxiliaryDepth)
        for (std::uint32_t auxiliary : item.auxiliary)
            CheckItem(items, auxiliary, maxPixels, depth + 1);
}

void CheckBeforeDecoding(const std::string& bytes, heif_item_id id, std::int64_t maxPixels) {
    const std::optional<HeifItems> items = ReadHeifItems(bytes);
    if (!items)
        Refuse("ファイルの構造が読めません");
    CheckItem(*items, id, maxPixels, 0);
}

// The pixels of one picture of the file (the primary or a thumbnail), upright.
Raster DecodeItem(const heif_image_handle* handle, std::int64_t maxPixels) {
    CheckPictureSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle),
                     maxPixels);
    // The decoder's own pixels beside the raster: the 8-bit 4:2:0 planes, or libheif's planes (of
    // up to three full planes of one or two bytes a sample) beside its interleaved copy of 4 bytes
    // a pixel, which the raster then takes the planes' place beside.
    const bool planes = TakesPlanes(handle);
    const double sample = heif_image_handle_get_luma_bits_per_pixel(handle) > 8 ? 2 : 1;
    CheckDecodeBytes(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle),
                     planes ? 1.5 : std::max(3 * sample + 4, 7.0) - 3);
    Raster raster;
    if (planes) {
        // The planes as a phone's HEVC stores them, converted once into the raster. libheif's
        // own conversion, with its full-size interleaved copy, serves the other pictures.
        HeifHandle<heif_image> planes = Decoded(handle, heif_colorspace_YCbCr, heif_chroma_420);
        FromPlanes(planes.get(), raster);
    }
    if (raster.Empty()) {
        const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
        HeifHandle<heif_image> image =
            Decoded(handle, heif_colorspace_RGB,
                    alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
        raster = Raster(heif_image_get_width(image.get(), heif_channel_interleaved),
                        heif_image_get_height(image.get(), heif_channel_interleaved), pf24bit);
        CopyPixels(image.get(), alpha, raster);
    }
    return raster;
}

HeifHandle<heif_image_handle> PrimaryOf(heif_context* context) {
    heif_image_handle* rawHandle = nullptr;
    Check(heif_context_get_primary_image_handle(context, &rawHandle));
    return HeifHandle<heif_image_handle>(rawHandle);
}

heif_item_id PrimaryIdOf(heif_context* context) {
    heif_item_id id = 0;
    Check(heif_context_get_primary_image_ID(context, &id));
    return id;
}

HeifHandle<heif_context> ReadContext(const std::string& bytes, std::int64_t maxPixels) {
    HeifHandle<heif_context> context(heif_context_alloc());
    if (!context)
        throw EInvalidGraphic("HEIF エラー: メモリが足りません");
    heif_context_set_maximum_image_size_limit(
        context.get(), static_cast<int>(std::clamp<std::int64_t>(maxPixels, 1, kMaxHeifSide)));
    Check(heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(),
                                                     nullptr));
    return context;
}

// The primary picture's stored thumbnail when it has one whose long side reaches minSide.
HeifHandle<heif_image_handle> ThumbnailOf(const heif_image_handle* primary, int minSide,
                                          heif_item_id& id) {
    if (heif_image_handle_get_list_of_thumbnail_IDs(primary, &id, 1) < 1)
        return nullptr;
    heif_image_handle* raw = nullptr;
    if (heif_image_handle_get_thumbnail(primary, id, &raw).code != heif_error_Ok || !raw)
        return nullptr;
    HeifHandle<heif_image_handle> thumbnail(raw);
    const int side = std::max(heif_image_handle_get_width(raw), heif_image_handle_get_height(raw));
    return side >= minSide ? std::move(thumbnail) : nullptr;
}

}  // namespace

DecodedPicture DecodeHeif(const std::string& bytes, std::int64_t maxPixels) {
    HeifHandle<heif_context> context = ReadContext(bytes, maxPixels);
    HeifHandle<heif_image_handle> handle = PrimaryOf(context.get());
    CheckBeforeDecoding(bytes, PrimaryIdOf(context.get()), maxPixels);
    DecodedPicture picture;
    picture.raster = DecodeItem(handle.get(), maxPixels);
    picture.icc = ProfileOf(handle.get());
    picture.exif = ExifOf(handle.get());
    return picture;
}

Raster DecodeHeifPreview(const std::string& bytes, int minSide) {
    HeifHandle<heif_context> context = ReadContext(bytes, kMaxPhotoPixels);
    HeifHandle<heif_image_handle> primary = PrimaryOf(context.get());
    heif_item_id id = 0;
    if (HeifHandle<heif_image_handle> thumbnail = ThumbnailOf(primary.get(), minSide, id)) {
        CheckBeforeDecoding(bytes, id, kMaxPhotoPixels);
        return DecodeItem(thumbnail.get(), kMaxPhotoPixels);
    }
    CheckBeforeDecoding(bytes, PrimaryIdOf(context.get()), kMaxPhotoPixels);
    return DecodeItem(primary.get(), kMaxPhotoPixels);
}

}  // namespace albumon

// libheif starts a libde265 worker thread for every picture it decodes, and libde265 then waits
// for ever on work that a thread the system refused to start never does. This definition comes
// before libde265's own: no worker is started, and libde265 decodes on the calling thread (as it
// does with none), where a failure is an error that reaches the caller.
extern "C" de265_error de265_start_worker_threads(de265_decoder_context*, int) {
    return DE265_OK;
}
