// The libjpeg boundary. Every library call runs inside a step function called through
// RunGuarded, the only frame holding setjmp; steps and callbacks keep only plain data in their
// frames, so the library's longjmp never skips a C++ destructor. The library structures live in
// guard objects of the C++ callers, which destroy them on every path.
#include "codecs/JpegCodec.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>

#include <jerror.h>
#include <jpeglib.h>

#include "codecs/DecodedPicture.h"
#include "codecs/JpegGuard.h"
#include "metadata/ByteOrder.h"
#include "metadata/ExifTags.h"
#include "pixels/GraphicErrors.h"

namespace albumon {

namespace {

// Gives up on files with absurd numbers of scans, each of which costs a pass over the picture.
void ProgressMonitor(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor)
        return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kMaxScans)
        return;
    reinterpret_cast<ErrorGuard*>(cinfo->err)->tooManyScans = true;
    ERREXIT(cinfo, JERR_NOT_COMPILED);
}

// ---- decoding ----

struct DecodeJob {
    jpeg_decompress_struct* cinfo;
    const std::string* bytes;
    DecodeOptions options;
    bool saveMarkers;  // keep the APP1 and APP2 segments for the header's tags
    JOCTET* icc;       // the colour profile read (malloc'ed by the library), or null
    unsigned int iccLength;
    std::uint8_t* inkRow;  // one row of four-component output, for CMYK and YCCK pictures
    std::uint8_t* pixels;
    std::int64_t rowLength;
    JpegBand band;  // the rectangle a band pass copies out
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
    if (job->saveMarkers) {
        jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
        jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
    }
    jpeg_read_header(cinfo, TRUE);
}

void ReadProfileStep(void* data) {
    auto* job = static_cast<DecodeJob*>(data);
    if (!jpeg_read_icc_profile(job->cinfo, &job->icc, &job->iccLength)) {
        job->icc = nullptr;
        job->iccLength = 0;
    }
}

bool InkPicture(j_decompress_ptr cinfo) {
    return cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
}

void SetupStep(void* data) {
    auto* job = static_cast<DecodeJob*>(data);
    j_decompress_ptr cinfo = job->cinfo;
    const DecodeOptions& options = job->options;
    const bool eighths = options.eighths >= 1 && options.eighths <= 8;
    cinfo->scale_num = eighths ? static_cast<unsigned>(options.eighths) : 1;
    cinfo->scale_denom = eighths ? 8 : 1u << options.scale;
    cinfo->do_block_smoothing = options.blockSmoothing ? TRUE : FALSE;
    if (InkPicture(cinfo)) {
        // The library gives the inks; they are turned into colours row by row.
        cinfo->out_color_space = JCS_CMYK;
    } else if (options.grayOutput)
        cinfo->out_color_space = JCS_GRAYSCALE;
    bool gray = cinfo->out_color_space == JCS_GRAYSCALE;
    if (cinfo->out_color_space == JCS_CMYK) {
        // no quantiser for inks: always 24-bit
    } else if (options.eightBit || gray) {
        if (!gray)
            cinfo->out_color_space = JCS_RGB;
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = 236;
    } else if (cinfo->out_color_space != JCS_CMYK) {
        cinfo->out_color_space = JCS_EXT_BGR;
    }
    if (options.fast) {
        cinfo->dct_method = JDCT_IFAST;
        cinfo->two_pass_quantize = FALSE;
        cinfo->dither_mode = JDITHER_ORDERED;
    }
    jpeg_calc_output_dimensions(cinfo);
}

// Turns a row of inks into blue, green, red. Adobe files store inverted inks (255 is no ink).
void InksToColours(const std::uint8_t* inks, std::uint8_t* bgr, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, inks += 4, bgr += 3) {
        unsigned c = inks[0], m = inks[1], y = inks[2], k = inks[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

void DecodeInksStep(void* data) {
    auto* job = static_cast<DecodeJob*>(data);
    j_decompress_ptr cinfo = job->cinfo;
    jpeg_start_decompress(cinfo);
    const bool inverted = cinfo->saw_Adobe_marker != FALSE;
    JSAMPROW rows[1] = {job->inkRow};
    while (cinfo->output_scanline < cinfo->output_height) {
        std::uint8_t* target = job->pixels + cinfo->output_scanline * job->rowLength;
        if (jpeg_read_scanlines(cinfo, rows, 1) == 0)
            break;
        InksToColours(job->inkRow, target, cinfo->output_width, inverted);
    }
    jpeg_finish_decompress(cinfo);
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

// Reads the whole file into the library's coefficients, for output passes made afterwards.
void ReadWholeStep(void* data) {
    j_decompress_ptr cinfo = static_cast<DecodeJob*>(data)->cinfo;
    cinfo->buffered_image = TRUE;
    jpeg_start_decompress(cinfo);
    int status = JPEG_SUSPENDED;
    do {
        ProgressMonitor(reinterpret_cast<j_common_ptr>(cinfo));
        status = jpeg_consume_input(cinfo);
    } while (status != JPEG_REACHED_EOI && status != JPEG_SUSPENDED);
}

// One output pass down to the band's last row, the band's rows and columns copied out of it.
void BandPassStep(void* data) {
    auto* job = static_cast<DecodeJob*>(data);
    j_decompress_ptr cinfo = job->cinfo;
    jpeg_start_output(cinfo, cinfo->input_scan_number);
    const bool inks = cinfo->out_color_space == JCS_CMYK;
    const int components = inks ? 4 : 3;
    JSAMPROW rows[1] = {job->inkRow};
    while (cinfo->output_scanline < JDIMENSION(job->band.y + job->band.height)) {
        const auto y = static_cast<std::int32_t>(cinfo->output_scanline);
        if (jpeg_read_scanlines(cinfo, rows, 1) == 0)
            break;
        if (y < job->band.y)
            continue;
        std::uint8_t* target = job->pixels + (y - job->band.y) * job->rowLength;
        const std::uint8_t* source = job->inkRow + std::int64_t{job->band.x} * components;
        if (inks) {
            InksToColours(source, target, JDIMENSION(job->band.width),
                          cinfo->saw_Adobe_marker != FALSE);
        } else {
            std::copy_n(source, std::int64_t{job->band.width} * 3, target);
        }
    }
    jpeg_finish_output(cinfo);
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
    // What the library's warnings so far say about the data.
    JpegDamage Damage() const {
        if (guard_.pub.num_warnings == 0)
            return jdNone;
        return guard_.firstWarning == JWRN_JPEG_EOF ? jdCut : jdCorrupt;
    }

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

// Rows handed to the encoder at a time.
constexpr std::int32_t kRowGroup = 16;
// Source rows a quarter turn gathers at a time.
constexpr std::int32_t kGatherBand = 64;

struct EncodeJob {
    jpeg_compress_struct* cinfo;
    StringDestination* destination;
    const Raster* raster;
    EncodeOptions options;
    std::uint8_t* buffer;  // kRowGroup rows of the picture as encoded, when they must be made
    std::int64_t bufferRowLength;
    std::int32_t width;  // the picture as encoded
    std::int32_t height;
    JSAMPROW rows[kRowGroup];  // the group of rows WriteRowsStep writes
    std::int32_t count;
    std::uint8_t colors[256][3];  // an 8-bit raster's palette as blue, green, red
};

void CreateCompressStep(void* job) {
    jpeg_create_compress(static_cast<EncodeJob*>(job)->cinfo);
}

// Copies n pixels from in (stepping inStep bytes) to out (stepping outStep bytes) as blue,
// green, red; 8-bit pixels are looked up in colors. Everything sits in locals, so the byte
// stores cannot make the compiler reload it.
template <int B>
void CopyRun(const std::uint8_t* in, std::int64_t inStep, std::uint8_t* out, std::int64_t outStep,
             std::int32_t n, const std::uint8_t (*colors)[3]) {
    for (std::int32_t k = 0; k < n; ++k, in += inStep, out += outStep) {
        const std::uint8_t* bgr = B == 3 ? in : colors[*in];
        out[0] = bgr[0];
        out[1] = bgr[1];
        out[2] = bgr[2];
    }
}

// Fills the buffer with encoded rows first .. first + count - 1: the raster's rows, turned as
// asked, 8-bit pixels looked up in the palette.
template <int B>
void GatherRows(const EncodeJob& job, std::int32_t first, std::int32_t count) {
    const Raster& source = *job.raster;
    const std::int32_t w = source.Width();
    const std::int32_t h = source.Height();
    const std::int64_t sourceRow = source.RowLength();
    const std::uint8_t* pixels = source.Row(0);
    const RasterTurn turn = job.options.turn;
    auto row = [&](std::int32_t i) { return job.buffer + i * job.bufferRowLength; };
    if (turn == rtNone || turn == rtHalf) {
        const bool half = turn == rtHalf;
        for (std::int32_t i = 0; i < count; ++i) {
            const std::uint8_t* in = pixels + (half ? h - 1 - first - i : first + i) * sourceRow;
            std::uint8_t* out = row(i) + (half ? std::int64_t{w - 1} * 3 : 0);
            CopyRun<B>(in, B, out, half ? -3 : 3, w, job.colors);
        }
        return;
    }
    // A quarter turn reads source columns; bands of kGatherBand source rows keep the lines read
    // and the runs written in the first-level cache.
    const bool right = turn == rtRight;
    for (std::int32_t y0 = 0; y0 < h; y0 += kGatherBand) {
        const std::int32_t n = std::min(kGatherBand, h - y0);
        for (std::int32_t i = 0; i < count; ++i) {
            const std::int32_t x = right ? first + i : w - 1 - first - i;
            const std::uint8_t* in = pixels + y0 * sourceRow + std::int64_t{x} * B;
            std::uint8_t* out = row(i) + std::int64_t{right ? h - 1 - y0 : y0} * 3;
            CopyRun<B>(in, sourceRow, out, right ? -3 : 3, n, job.colors);
        }
    }
}

void StartCompressStep(void* data) {
    auto* job = static_cast<EncodeJob*>(data);
    j_compress_ptr cinfo = job->cinfo;
    cinfo->dest = &job->destination->pub;
    cinfo->image_width = static_cast<JDIMENSION>(job->width);
    cinfo->image_height = static_cast<JDIMENSION>(job->height);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, job->options.quality, TRUE);
    if (job->options.grayOutput)
        jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    if (job->options.progressive)
        jpeg_simple_progression(cinfo);
    const std::string& exif = job->options.exif;
    if (!exif.empty())
        cinfo->write_JFIF_header = FALSE;
    jpeg_start_compress(cinfo, TRUE);
    if (!exif.empty()) {
        jpeg_write_marker(cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.data()),
                          static_cast<unsigned int>(exif.size()));
    }
    const std::string& icc = job->options.icc;
    if (!icc.empty()) {
        jpeg_write_icc_profile(cinfo, reinterpret_cast<const JOCTET*>(icc.data()),
                               static_cast<unsigned int>(icc.size()));
    }
}

// Writes the job's group of rows.
void WriteRowsStep(void* data) {
    auto* job = static_cast<EncodeJob*>(data);
    jpeg_write_scanlines(job->cinfo, job->rows, static_cast<JDIMENSION>(job->count));
}

void FinishCompressStep(void* data) {
    jpeg_finish_compress(static_cast<EncodeJob*>(data)->cinfo);
}

// Owns a library compressor for one encode, destroyed on every path.
class Compressor {
  public:
    Compressor(const Raster* raster, const EncodeOptions& options, std::uint8_t* buffer,
               std::int64_t bufferRowLength, std::string& bytes) {
        InstallErrorGuard(guard_);
        cinfo_.err = &guard_.pub;
        destination_.pub.init_destination = InitDestination;
        destination_.pub.empty_output_buffer = EmptyOutputBuffer;
        destination_.pub.term_destination = TermDestination;
        destination_.bytes = &bytes;
        job_.cinfo = &cinfo_;
        job_.destination = &destination_;
        job_.raster = raster;
        job_.options = options;
        job_.buffer = buffer;
        job_.bufferRowLength = bufferRowLength;
        const std::vector<PaletteColor> none;
        const std::vector<PaletteColor>& palette = raster ? raster->Palette() : none;
        for (std::size_t i = 0; i < palette.size() && i < 256; ++i) {
            job_.colors[i][0] = palette[i].blue;
            job_.colors[i][1] = palette[i].green;
            job_.colors[i][2] = palette[i].red;
        }
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
    EncodeJob& Job() { return job_; }

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
    DecodeJob& job = decompressor.Job();
    job.saveMarkers = true;
    decompressor.Run(ReadHeaderStep);
    decompressor.Run(ReadProfileStep);
    std::unique_ptr<JOCTET, decltype(&std::free)> icc(job.icc, &std::free);
    const jpeg_decompress_struct& info = decompressor.Info();
    JpegHeader header;
    header.width = static_cast<std::int32_t>(info.image_width);
    header.height = static_cast<std::int32_t>(info.image_height);
    header.grayscale = info.num_components == 1;
    header.progressive = info.progressive_mode != FALSE;
    if (icc)
        header.icc.assign(reinterpret_cast<const char*>(icc.get()), job.iccLength);
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
        const std::string_view data(reinterpret_cast<const char*>(marker->data),
                                    marker->data_length);
        if (marker->marker == JPEG_APP0 + 1 && data.substr(0, kExifHeader.size()) == kExifHeader) {
            header.exif = data;
            header.orientation = ExifOrientation(header.exif);
            break;
        }
    }
    return header;
}

Raster DecodeJpeg(const std::string& bytes, const DecodeOptions& options, JpegDamage* damage) {
    Decompressor decompressor(bytes, options);
    decompressor.Run(ReadHeaderStep);
    decompressor.Run(SetupStep);
    const jpeg_decompress_struct& info = decompressor.Info();
    // A picture decoded at its full size (or one still that large when scaled) must fit the
    // bound every decoded picture keeps.
    if (std::int64_t{info.output_width} * info.output_height > kMaxPhotoPixels)
        throw EInvalidGraphic("画像が大きすぎます");
    // A progressive file is first gathered whole as coefficients beside the raster.
    double coefficients = 0;
    if (info.progressive_mode) {
        for (int c = 0; c < info.num_components; ++c) {
            const jpeg_component_info& component = info.comp_info[c];
            coefficients += double(component.width_in_blocks) * component.height_in_blocks *
                            DCTSIZE2 * sizeof(JCOEF);
        }
    }
    if (double(info.output_width) * info.output_height * 3 + coefficients > double(kMaxDecodeBytes))
        throw EInvalidGraphic("画像が大きすぎます");
    Raster raster(static_cast<std::int32_t>(info.output_width),
                  static_cast<std::int32_t>(info.output_height),
                  info.quantize_colors ? pf8bit : pf24bit);
    DecodeJob& job = decompressor.Job();
    job.pixels = raster.Row(0);
    job.rowLength = raster.RowLength();
    std::vector<std::uint8_t> inkRow;
    if (info.out_color_space == JCS_CMYK) {
        inkRow.resize(std::size_t{info.output_width} * 4);
        job.inkRow = inkRow.data();
        decompressor.Run(DecodeInksStep);
    } else {
        decompressor.Run(DecodeStep);
        if (raster.Format() == pf8bit)
            raster.SetPalette(PaletteOf(job));
    }
    if (damage)
        *damage = decompressor.Damage();
    return raster;
}

struct JpegBands::State {
    explicit State(const std::string& bytes) : decompressor(bytes) {}
    Decompressor decompressor;
    std::vector<std::uint8_t> row;  // one whole output row
};

JpegBands::JpegBands(const std::string& bytes) : state_(std::make_unique<State>(bytes)) {
    Decompressor& decompressor = state_->decompressor;
    decompressor.Run(ReadHeaderStep);
    decompressor.Run(SetupStep);
    const jpeg_decompress_struct& info = decompressor.Info();
    if (std::int64_t{info.output_width} * info.output_height > kMaxPhotoPixels)
        throw EInvalidGraphic("画像が大きすぎます");
    state_->row.resize(std::size_t{info.output_width} * 4);
    decompressor.Job().inkRow = state_->row.data();
    decompressor.Run(ReadWholeStep);
}

JpegBands::~JpegBands() = default;

std::int32_t JpegBands::Width() const {
    return static_cast<std::int32_t>(state_->decompressor.Info().output_width);
}

std::int32_t JpegBands::Height() const {
    return static_cast<std::int32_t>(state_->decompressor.Info().output_height);
}

Raster JpegBands::Read(const JpegBand& band) {
    if (band.x < 0 || band.y < 0 || band.width < 1 || band.height < 1 ||
        band.x + band.width > Width() || band.y + band.height > Height())
        throw EInvalidGraphic("画像の範囲が正しくありません");
    Raster raster(band.width, band.height, pf24bit);
    DecodeJob& job = state_->decompressor.Job();
    job.band = band;
    job.pixels = raster.Row(0);
    job.rowLength = raster.RowLength();
    state_->decompressor.Run(BandPassStep);
    return raster;
}

std::string EncodeJpeg(const Raster& raster, const EncodeOptions& options) {
    const bool quarter = options.turn == rtRight || options.turn == rtLeft;
    const std::int64_t rowLength =
        Raster::RowLengthFor(quarter ? raster.Height() : raster.Width(), 3);
    const bool direct = options.turn == rtNone && raster.Format() == pf24bit;
    std::vector<std::uint8_t> buffer;
    if (!direct)
        buffer.resize(rowLength * kRowGroup);
    std::string bytes;
    Compressor compressor(&raster, options, buffer.data(), rowLength, bytes);
    EncodeJob& job = compressor.Job();
    job.width = quarter ? raster.Height() : raster.Width();
    job.height = quarter ? raster.Width() : raster.Height();
    compressor.Run(StartCompressStep);
    for (std::int32_t first = 0; first < job.height; first += kRowGroup) {
        job.count = std::min<std::int32_t>(kRowGroup, job.height - first);
        if (!direct && raster.Format() == pf24bit) {
            GatherRows<3>(job, first, job.count);
        } else if (!direct) {
            GatherRows<1>(job, first, job.count);
        }
        for (std::int32_t i = 0; i < job.count; ++i) {
            job.rows[i] = direct ? const_cast<JSAMPROW>(raster.Row(first + i))
                                 : buffer.data() + i * rowLength;
        }
        compressor.Run(WriteRowsStep);
    }
    compressor.Run(FinishCompressStep);
    return bytes;
}

std::string EncodeJpegRows(std::int32_t width, std::int32_t height, const EncodeOptions& options,
                           const RowSource& fill) {
    const std::int64_t rowLength = Raster::RowLengthFor(width, 3);
    std::vector<std::uint8_t> buffer(rowLength * kRowGroup);
    std::string bytes;
    Compressor compressor(nullptr, options, buffer.data(), rowLength, bytes);
    EncodeJob& job = compressor.Job();
    job.width = width;
    job.height = height;
    compressor.Run(StartCompressStep);
    for (std::int32_t first = 0; first < height; first += kRowGroup) {
        job.count = std::min<std::int32_t>(kRowGroup, height - first);
        fill(first, job.count, buffer.data(), rowLength);
        for (std::int32_t i = 0; i < job.count; ++i)
            job.rows[i] = buffer.data() + i * rowLength;
        compressor.Run(WriteRowsStep);
    }
    compressor.Run(FinishCompressStep);
    return bytes;
}

}  // namespace albumon
