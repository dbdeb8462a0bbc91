// Decoding PNG files with libpng. The one setjmp frame is RunGuarded; the steps it runs hold no
// objects with destructors, and everything they fill lives in the job.
#include "codecs/PngAdapter.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "metadata/ExifTags.h"
#include "pixels/ColourProfiles.h"
#include "pixels/GraphicErrors.h"

namespace albumon {

namespace {

// Most bytes libpng may allocate for one chunk (or its decompressed text or profile): room for
// any real colour profile, EXIF block or text, while a damaged chunk length fails at once.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{8} << 20;

struct PngJob {
    png_structp png;
    png_infop info;
    const std::string* bytes;
    std::size_t position;
    char message[160];
    png_uint_32 width;
    png_uint_32 height;
    bool interlaced;
    std::uint8_t* row;   // the one row read at a time (of a pass when interlaced), 4 bytes a pixel
    std::uint8_t** out;  // the raster's rows the pixels are flattened into
};

void ReadBytes(png_structp png, png_bytep out, png_size_t length) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (job->bytes->size() - job->position < length)
        png_error(png, "PNG data ends early");
    std::memcpy(out, job->bytes->data() + job->position, length);
    job->position += length;
}

void OnError(png_structp png, png_const_charp message) {
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    std::strncpy(job->message, message ? message : "", sizeof job->message - 1);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// The one frame with setjmp. Returns false when the library reported an error.
bool RunGuarded(PngJob& job, void (*step)(PngJob&)) {
    if (setjmp(png_jmpbuf(job.png)) != 0)
        return false;
    step(job);
    return true;
}

void ReadHeaderStep(PngJob& job) {
    png_set_read_fn(job.png, &job, ReadBytes);
    png_set_user_limits(job.png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_chunk_malloc_max(job.png, kMaxChunkBytes);
    png_read_info(job.png, job.info);
    job.width = png_get_image_width(job.png, job.info);
    job.height = png_get_image_height(job.png, job.info);
}

// Every kind of PNG becomes 8-bit blue, green, red, alpha.
void SetupStep(PngJob& job) {
    png_structp png = job.png;
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    job.interlaced = png_get_interlace_type(png, job.info) != PNG_INTERLACE_NONE;
    png_read_update_info(png, job.info);
}

// An interlaced picture's seven passes, each row of a pass (libpng skips the empty ones) put
// pixel by pixel where it belongs: no buffer of the whole picture beside the raster.
void ReadPassesStep(PngJob& job) {
    for (int pass = 0; pass < 7; ++pass) {
        const png_uint_32 rows = PNG_PASS_ROWS(job.height, pass);
        const png_uint_32 columns = PNG_PASS_COLS(job.width, pass);
        if (rows == 0 || columns == 0)
            continue;
        for (png_uint_32 r = 0; r < rows; ++r) {
            png_read_row(job.png, job.row, nullptr);
            std::uint8_t* out = job.out[PNG_ROW_FROM_PASS_ROW(r, pass)];
            for (png_uint_32 i = 0; i < columns; ++i)
                FlattenRow(job.row + 4 * std::size_t{i}, out + 3 * PNG_COL_FROM_PASS_COL(i, pass),
                           1);
        }
    }
    png_read_end(job.png, job.info);
}

// Row by row straight into the raster.
void ReadRowsStep(PngJob& job) {
    if (job.interlaced) {
        ReadPassesStep(job);
        return;
    }
    const auto width = static_cast<std::int32_t>(job.width);
    for (png_uint_32 y = 0; y < job.height; ++y) {
        png_read_row(job.png, job.row, nullptr);
        FlattenRow(job.row, job.out[y], width);
    }
    png_read_end(job.png, job.info);
}

// libpng only warns about an ancillary chunk longer than its chunk limit, then allocates the
// declared length all the same (eXIf does): such a chunk makes the picture unreadable before
// libpng reaches it. Image data is read piecewise and may be any length.
void CheckChunkLengths(const std::string& bytes) {
    constexpr std::size_t kSignature = 8, kChunkFrame = 12;
    for (std::size_t at = kSignature; at <= bytes.size() && bytes.size() - at >= 8;) {
        const auto* chunk = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        const std::size_t length =
            (std::size_t{chunk[0]} << 24) | (chunk[1] << 16) | (chunk[2] << 8) | chunk[3];
        if (std::memcmp(chunk + 4, "IEND", 4) == 0)
            return;
        if (length > kMaxChunkBytes && std::memcmp(chunk + 4, "IDAT", 4) != 0)
            throw EInvalidGraphic("PNG エラー: チャンクが大きすぎます");
        at += kChunkFrame + length;
    }
}

class PngReader {
  public:
    explicit PngReader(const std::string& bytes) : job_{} {
        job_.bytes = &bytes;
        job_.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job_, OnError, OnWarning);
        if (job_.png)
            job_.info = png_create_info_struct(job_.png);
        if (!job_.png || !job_.info)
            throw EInvalidGraphic("PNG エラー: メモリが足りません");
    }
    ~PngReader() { png_destroy_read_struct(&job_.png, &job_.info, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    void Run(void (*step)(PngJob&)) {
        if (!RunGuarded(job_, step))
            throw EInvalidGraphic(std::string("PNG エラー: ") + job_.message);
    }
    PngJob& Job() { return job_; }

  private:
    PngJob job_;
};

std::string ProfileOf(png_structp png, png_infop info) {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &length) && profile && length)
        return std::string(reinterpret_cast<const char*>(profile), length);
    int intent = 0;
    if (png_get_sRGB(png, info, &intent))
        return SrgbProfile();
    Chromaticities primaries;
    const bool chrm = png_get_cHRM(png, info, &primaries.whiteX, &primaries.whiteY, &primaries.redX,
                                   &primaries.redY, &primaries.greenX, &primaries.greenY,
                                   &primaries.blueX, &primaries.blueY) != 0;
    double fileGamma = 0;
    const bool gama = png_get_gAMA(png, info, &fileGamma) != 0 && fileGamma > 0;
    if (!chrm && !gama)
        return {};
    TransferCurve curve;
    if (gama)
        curve = {tkGamma, 1.0 / fileGamma};
    return MakeRgbProfile(primaries, curve);
}

std::string ExifOf(png_structp png, png_infop info) {
    png_uint_32 length = 0;
    png_bytep exif = nullptr;
    if (!png_get_eXIf_1(png, info, &length, &exif) || !exif || length == 0)
        return {};
    return ExifPayloadOf(std::string(reinterpret_cast<const char*>(exif), length));
}

}  // namespace

DecodedPicture DecodePng(const std::string& bytes, std::int64_t maxPixels) {
    CheckChunkLengths(bytes);
    PngReader reader(bytes);
    reader.Run(ReadHeaderStep);
    PngJob& job = reader.Job();
    CheckPictureSize(job.width, job.height, maxPixels);
    reader.Run(SetupStep);
    const auto width = static_cast<std::int32_t>(job.width);
    const auto height = static_cast<std::int32_t>(job.height);
    CheckDecodeBytes(width, height, 0);
    DecodedPicture picture;
    picture.raster = Raster(width, height, pf24bit);
    std::vector<std::uint8_t*> out(static_cast<std::size_t>(height));
    for (std::int32_t y = 0; y < height; ++y)
        out[y] = picture.raster.Row(y);
    job.out = out.data();
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4);
    job.row = row.data();
    reader.Run(ReadRowsStep);
    picture.icc = ProfileOf(job.png, job.info);
    picture.exif = ExifOf(job.png, job.info);
    picture.orientation = ExifOrientation(picture.exif);
    return picture;
}

}  // namespace albumon
