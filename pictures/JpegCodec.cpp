// The libjpeg boundary. Every library call runs inside a step function called through
// RunGuarded, the only frame holding setjmp; steps and callbacks keep only plain data in their
// frames, so the library's longjmp never skips a C++ destructor. The library structures live in
// guard objects of the C++ callers, which destroy them on every path.
#include "JpegCodec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include "GraphicErrors.h"

namespace albumon {

namespace {

struct ErrorGuard {
    jpeg_error_mgr pub;  // first, so the library's pointer to it leads back here
    std::jmp_buf jump;
    bool tooManyScans;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorGuard*>(cinfo->err)->jump, 1);
}

// Warnings (data that ends early, for instance) are counted by the library only.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0)
        ++cinfo->err->num_warnings;
}

void OutputMessage(j_common_ptr) {}

// Gives up on files with absurd numbers of scans, each of which costs a pass over the picture.
void ProgressMonitor(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor)
        return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kMaxScans)
        return;
    reinterpret_cast<ErrorGuard*>(cinfo->err)->tooManyScans = true;
    ERREXIT(cinfo, JERR_NOT_COMPILED);
}

// The one frame with setjmp. Returns false when the library reported an error.
bool RunGuarded(ErrorGuard& guard, void (*step)(void*), void* job) {
    if (setjmp(guard.jump) != 0)
        return false;
    step(job);
    return true;
}

void InstallErrorGuard(ErrorGuard& guard) {
    jpeg_std_error(&guard.pub);
    guard.pub.error_exit = ErrorExit;
    guard.pub.emit_message = EmitMessage;
    guard.pub.output_message = OutputMessage;
    guard.tooManyScans = false;
}

[[noreturn]] void RaiseFailure(const ErrorGuard& guard) {
    if (guard.tooManyScans)
        throw EInvalidGraphic("JPEG のスキャンが多すぎます");
    throw EJPEG(guard.pub.msg_code);
}

// ---- decoding ----

struct DecodeJob {
    jpeg_decompress_struct* cinfo;
    const std::string* bytes;
    DecodeOptions options;
    std::uint8_t* pixels;
    std::int64_t rowLength;
    int colors;
    int colorComponents;
    std::uint8_t colormap[3][256];
};

void CreateDecompressStep(void* job) {
    jpeg_create_decompress(static_cast<DecodeJob*>(job)->cinfo);
}

void ReadHeaderStep(void* data) {
    auto* job = static_cast<DecodeJob*>(data);
    j_decompress_ptr cinfo = job->cinfo;
    cinfo->mem->max_memory_to_use = kMaxLibraryMemory;
    jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char*>(job->bytes->data()),
                 static_cast<unsigned long>(job->bytes->size()));
    jpeg_read_header(cinfo, TRUE);
}

void SetupStep(void* data) {
    auto* job = static_cast<DecodeJob*>(data);
    j_decompress_ptr cinfo = job->cinfo;
    const DecodeOptions& options = job->options;
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1u << options.scale;
    cinfo->do_block_smoothing = options.blockSmoothing ? TRUE : FALSE;
    if (options.grayOutput)
        cinfo->out_color_space = JCS_GRAYSCALE;
    bool gray = cinfo->out_color_space == JCS_GRAYSCALE;
    if (options.eightBit || gray) {
        if (!gray)
            cinfo->out_color_space = JCS_RGB;
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = 236;
    } else {
        cinfo->out_color_space = JCS_EXT_BGR;
    }
    if (options.fast) {
        cinfo->dct_method = JDCT_IFAST;
        cinfo->two_pass_quantize = FALSE;
        cinfo->dither_mode = JDITHER_ORDERED;
    }
    jpeg_calc_output_dimensions(cinfo);
}

void DecodeStep(void* data) {
    auto* job = static_cast<DecodeJob*>(data);
    j_decompress_ptr cinfo = job->cinfo;
    jpeg_start_decompress(cinfo);
    if (cinfo->quantize_colors) {
        job->colors = cinfo->actual_number_of_colors;
        job->colorComponents = cinfo->out_color_components;
        for (int c = 0; c < job->colorComponents && c < 3; ++c) {
            for (int i = 0; i < job->colors && i < 256; ++i)
                job->colormap[c][i] = cinfo->colormap[c][i];
        }
    }
    JSAMPROW rows[16];
    while (cinfo->output_scanline < cinfo->output_height) {
        JDIMENSION first = cinfo->output_scanline;
        JDIMENSION count = std::min<JDIMENSION>(16, cinfo->output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = job->pixels + (first + i) * job->rowLength;
        if (jpeg_read_scanlines(cinfo, rows, count) == 0)
            break;
    }
    jpeg_finish_decompress(cinfo);
}

// Owns a library decompressor for one read, destroyed on every path.
class Decompressor {
  public:
    explicit Decompressor(const std::string& bytes, const DecodeOptions& options = {}) {
        InstallErrorGuard(guard_);
        cinfo_.err = &guard_.pub;
        progress_.progress_monitor = ProgressMonitor;
        job_.cinfo = &cinfo_;
        job_.bytes = &bytes;
        job_.options = options;
        if (!RunGuarded(guard_, CreateDecompressStep, &job_)) {
            jpeg_destroy_decompress(&cinfo_);
            RaiseFailure(guard_);
        }
        cinfo_.progress = &progress_;
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo_); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    void Run(void (*step)(void*)) {
        if (!RunGuarded(guard_, step, &job_))
            RaiseFailure(guard_);
    }
    const jpeg_decompress_struct& Info() const { return cinfo_; }
    DecodeJob& Job() { return job_; }

  private:
    ErrorGuard guard_{};
    jpeg_progress_mgr progress_{};
    jpeg_decompress_struct cinfo_{};
    DecodeJob job_{};
};

// ---- encoding ----

// A destination that grows a string; the library sees only plain pointers into it.
struct StringDestination {
    jpeg_destination_mgr pub;  // first, so the library's pointer to it leads back here
    std::string* bytes;
};

void GrowDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<StringDestination*>(cinfo->dest);
    std::size_t used = dest->bytes->size();
    bool failed = false;
    try {
        dest->bytes->resize(std::max<std::size_t>(used * 2, 64 * 1024));
    } catch (...) {
        failed = true;
    }
    if (failed)
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    dest->pub.next_output_byte = reinterpret_cast<JOCTET*>(dest->bytes->data()) + used;
    dest->pub.free_in_buffer = dest->bytes->size() - used;
}

void InitDestination(j_compress_ptr cinfo) {
    reinterpret_cast<StringDestination*>(cinfo->dest)->bytes->clear();
    GrowDestination(cinfo);
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    GrowDestination(cinfo);
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<StringDestination*>(cinfo->dest);
    dest->bytes->resize(dest->bytes->size() - dest->pub.free_in_buffer);
}

struct EncodeJob {
    jpeg_compress_struct* cinfo;
    StringDestination* destination;
    const Raster* raster;
    EncodeOptions options;
};

void CreateCompressStep(void* job) {
    jpeg_create_compress(static_cast<EncodeJob*>(job)->cinfo);
}

void EncodeStep(void* data) {
    auto* job = static_cast<EncodeJob*>(data);
    j_compress_ptr cinfo = job->cinfo;
    const Raster& raster = *job->raster;
    cinfo->dest = &job->destination->pub;
    cinfo->image_width = static_cast<JDIMENSION>(raster.Width());
    cinfo->image_height = static_cast<JDIMENSION>(raster.Height());
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, job->options.quality, TRUE);
    if (job->options.grayOutput)
        jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    if (job->options.progressive)
        jpeg_simple_progression(cinfo);
    jpeg_start_compress(cinfo, TRUE);
    JSAMPROW rows[16];
    while (cinfo->next_scanline < cinfo->image_height) {
        JDIMENSION first = cinfo->next_scanline;
        JDIMENSION count = std::min<JDIMENSION>(16, cinfo->image_height - first);
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = const_cast<JSAMPROW>(raster.Row(static_cast<std::int32_t>(first + i)));
        }
        jpeg_write_scanlines(cinfo, rows, count);
    }
    jpeg_finish_compress(cinfo);
}

// Owns a library compressor for one encode, destroyed on every path.
class Compressor {
  public:
    Compressor(const Raster& raster, const EncodeOptions& options, std::string& bytes) {
        InstallErrorGuard(guard_);
        cinfo_.err = &guard_.pub;
        destination_.pub.init_destination = InitDestination;
        destination_.pub.empty_output_buffer = EmptyOutputBuffer;
        destination_.pub.term_destination = TermDestination;
        destination_.bytes = &bytes;
        job_ = EncodeJob{&cinfo_, &destination_, &raster, options};
        if (!RunGuarded(guard_, CreateCompressStep, &job_)) {
            jpeg_destroy_compress(&cinfo_);
            RaiseFailure(guard_);
        }
    }
    ~Compressor() { jpeg_destroy_compress(&cinfo_); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    void Run(void (*step)(void*)) {
        if (!RunGuarded(guard_, step, &job_))
            RaiseFailure(guard_);
    }

  private:
    ErrorGuard guard_{};
    jpeg_compress_struct cinfo_{};
    StringDestination destination_{};
    EncodeJob job_{};
};

std::vector<PaletteColor> PaletteOf(const DecodeJob& job) {
    std::vector<PaletteColor> palette(static_cast<std::size_t>(std::clamp(job.colors, 0, 256)));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        if (job.colorComponents == 1) {
            std::uint8_t level = job.colormap[0][i];
            palette[i] = {level, level, level};
        } else {
            palette[i] = {job.colormap[0][i], job.colormap[1][i], job.colormap[2][i]};
        }
    }
    return palette;
}

}  // namespace

JpegHeader ReadJpegHeader(const std::string& bytes) {
    Decompressor decompressor(bytes);
    decompressor.Run(ReadHeaderStep);
    const jpeg_decompress_struct& info = decompressor.Info();
    return {static_cast<std::int32_t>(info.image_width),
            static_cast<std::int32_t>(info.image_height), info.num_components == 1,
            info.progressive_mode != FALSE};
}

Raster DecodeJpeg(const std::string& bytes, const DecodeOptions& options) {
    Decompressor decompressor(bytes, options);
    decompressor.Run(ReadHeaderStep);
    decompressor.Run(SetupStep);
    const jpeg_decompress_struct& info = decompressor.Info();
    Raster raster(static_cast<std::int32_t>(info.output_width),
                  static_cast<std::int32_t>(info.output_height),
                  info.quantize_colors ? pf8bit : pf24bit);
    DecodeJob& job = decompressor.Job();
    job.pixels = raster.Row(0);
    job.rowLength = raster.RowLength();
    decompressor.Run(DecodeStep);
    if (raster.Format() == pf8bit)
        raster.SetPalette(PaletteOf(job));
    return raster;
}

std::string EncodeJpeg(const Raster& raster, const EncodeOptions& options) {
    std::string bytes;
    Compressor compressor(raster, options, bytes);
    compressor.Run(EncodeStep);
    return bytes;
}

}  // namespace albumon
