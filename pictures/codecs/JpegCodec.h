// The boundary to libjpeg: header reading, decoding and encoding from and to memory. Library
// errors become EJPEG here; nothing is thrown through the library's C frames.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "pixels/Raster.h"

namespace albumon {

// Decode scale: full size, half, quarter, eighth.
enum JpegScale { jsFullSize = 0, jsHalf = 1, jsQuarter = 2, jsEighth = 3 };

// What a JPEG header says about the picture.
struct JpegHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool grayscale = false;  // a single colour component
    bool progressive = false;
    int orientation = 1;  // the EXIF orientation tag, 1..8
    std::string exif;     // the EXIF block (APP1 payload), empty when there is none
    std::string icc;      // the colour profile, empty when there is none
};

// The library parameters a decode is made with.
struct DecodeOptions {
    JpegScale scale = jsFullSize;
    int eighths = 0;          // 1..8: decode at this many eighths of the size instead of scale
    bool eightBit = false;    // quantise to 236 colours even for a colour picture
    bool grayOutput = false;  // output colour space grayscale
    bool fast = false;        // fast integer transform, one-pass quantisation, ordered dither
    bool blockSmoothing = true;
};

// The library parameters an encode is made with.
struct EncodeOptions {
    int quality = 90;         // 1..100, baseline tables forced
    bool grayOutput = false;  // a single-component file
    bool progressive = false;
    RasterTurn turn = rtNone;  // the raster is encoded turned so
    std::string exif;          // an EXIF block written first, in place of the JFIF marker
    std::string icc;           // a colour profile to embed
};

// What the library's warnings during a decode said about the data: nothing, that it ends early
// (the rest of the picture is filled in), or another fault it went past.
enum JpegDamage { jdNone, jdCut, jdCorrupt };

// Most working memory the library may take for one decode (its whole-picture buffers): the
// coefficients of a progressive 64-million-pixel photo (4:2:0) fit.
constexpr long kMaxLibraryMemory = 256L << 20;
// A file with more scans than this counts as unreadable.
constexpr int kMaxScans = 1000;

// Reads the header of JPEG data with its EXIF block, orientation and colour profile; raises EJPEG
// when the library rejects it.
JpegHeader ReadJpegHeader(const std::string& bytes);

// Decodes JPEG data into a new raster: 24-bit, or 8-bit with the quantiser's palette when
// eightBit is set or the output is grayscale. CMYK and YCCK pictures give 24-bit colours (the
// Adobe marker's inverted inks where it is present). Raises EJPEG on a library error and
// EInvalidGraphic when the picture is too large or has too many scans. damage, when given,
// receives what the library warned about.
Raster DecodeJpeg(const std::string& bytes, const DecodeOptions& options,
                  JpegDamage* damage = nullptr);

// Encodes a raster of at least one pixel, turned as options.turn says, into JPEG data (an 8-bit
// raster through its palette, in three components). Raises EJPEG on a library error.
std::string EncodeJpeg(const Raster& raster, const EncodeOptions& options);

// Fills rows first .. first + count - 1 of a picture being encoded, 24-bit (blue, green, red),
// each row rowLength bytes after the one before it.
using RowSource = std::function<void(std::int32_t first, std::int32_t count, std::uint8_t* rows,
                                     std::int64_t rowLength)>;

// Encodes a picture of width x height whose rows fill gives in groups, top to bottom (options.turn
// is not looked at). Raises EJPEG on a library error; what fill raises passes through.
std::string EncodeJpegRows(std::int32_t width, std::int32_t height, const EncodeOptions& options,
                           const RowSource& fill);

// A rectangle of a picture: columns x .. x + width - 1 of rows y .. y + height - 1.
struct JpegBand {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// JPEG data read once into the library's coefficients, its pixels then decoded a band at a time,
// each band one more pass over the coefficients: for a picture too large to decode whole beside
// them. The coefficients stay within kMaxLibraryMemory. Raises EJPEG on a library error and
// EInvalidGraphic when the picture has more than kMaxPhotoPixels pixels or too many scans.
class JpegBands {
  public:
    explicit JpegBands(const std::string& bytes);
    ~JpegBands();
    JpegBands(const JpegBands&) = delete;
    JpegBands& operator=(const JpegBands&) = delete;

    std::int32_t Width() const;
    std::int32_t Height() const;
    // The band's pixels as a 24-bit raster (inks turned into colours as DecodeJpeg does).
    Raster Read(const JpegBand& band);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace albumon
