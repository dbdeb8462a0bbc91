// TJPEGImage: a JPEG file's compressed bytes, shared between copies, with a lazily decoded
// raster and the decode and encode settings that decide what previews and outputs look like.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "codecs/JpegCodec.h"
#include "pixels/Raster.h"

namespace albumon {

// Depth a decode produces (a grayscale output is 8-bit whatever is asked).
enum JpegPixelFormat { jf24Bit, jf8Bit };

// The compressed bytes of one JPEG file and what its header says; never changed once made but
// for what decoding them found.
struct TJPEGData {
    TJPEGData() = default;
    TJPEGData(std::string bytes, JpegHeader header)
        : bytes(std::move(bytes)), header(std::move(header)) {}
    TJPEGData(const TJPEGData& other)
        : bytes(other.bytes), header(other.header), damage(other.damage.load()) {}

    std::string bytes;
    JpegHeader header;
    // Set by the first decode whose library warned about the data.
    mutable std::atomic<JpegDamage> damage{jdNone};
};

// Largest picture file read, as the raster cap bounds its pixels.
inline constexpr std::uint64_t kMaxPictureFileBytes = std::uint64_t{1} << 30;

class TJPEGImage {
  public:
    TJPEGImage();

    // Reads a whole file and its header. Raises EFOpenError when the file cannot be read, is no
    // regular file (a fifo or device is never waited on) or holds more than kMaxPictureFileBytes,
    // and EJPEG when the library rejects the header. A file of 0 bytes loads as a 0 x 0 picture.
    void LoadFromFile(const std::string& path);
    void LoadFromBytes(std::string bytes);

    // Writes the compressed bytes, encoding first when there are none; the file is replaced only
    // once complete. Raises EFCreateError.
    void SaveToFile(const std::string& path);

    // The compressed bytes (empty for a picture made from a raster and not yet encoded).
    const std::string& Bytes() const { return data_->bytes; }
    bool Grayscale() const { return data_->header.grayscale; }
    // What the header says, with the EXIF block, orientation and colour profile.
    const JpegHeader& Header() const { return data_->header; }
    // The compressed bytes and header, shared.
    std::shared_ptr<const TJPEGData> Data() const { return data_; }

    // The decoded raster's size, else the header's size at the current decode scale.
    std::int32_t Width() const;
    std::int32_t Height() const;
    // The pixel size is fixed by the compressed bytes: these raise EInvalidGraphicOperation.
    void SetWidth(std::int32_t width);
    void SetHeight(std::int32_t height);

    // Decode settings; changing one to a new value drops the decoded raster.
    JpegScale DecodeScale() const { return decode_.scale; }
    void SetDecodeScale(JpegScale scale);
    JpegPixelFormat OutputDepth() const { return decode_.eightBit ? jf8Bit : jf24Bit; }
    void SetOutputDepth(JpegPixelFormat depth);
    bool GrayOutput() const { return decode_.grayOutput; }
    void SetGrayOutput(bool gray);
    bool FastDecode() const { return decode_.fast; }
    void SetFastDecode(bool fast);

    // Encode settings.
    int EncodeQuality() const { return encode_.quality; }
    void SetEncodeQuality(int quality) { encode_.quality = quality; }
    bool ProgressiveOutput() const { return encode_.progressive; }
    void SetProgressiveOutput(bool progressive) { encode_.progressive = progressive; }

    // The decoded raster, decoding first when there is none (EJPEG, EInvalidGraphic).
    const Raster& GetRaster();
    bool HasRaster() const { return raster_.has_value(); }
    // Moves the decoded raster out (decoding first when there is none).
    Raster TakeRaster();

    // Fresh, empty compressed bytes and the given raster; no JPEG data until Encode.
    void AssignRaster(Raster raster);

    // Replaces the compressed bytes by the encoding of the raster; with no raster, or an empty
    // one, the bytes stay empty.
    void Encode();

  private:
    void ChangeDecodeSetting(bool changed);

    std::shared_ptr<const TJPEGData> data_;
    std::optional<Raster> raster_;
    DecodeOptions decode_;
    EncodeOptions encode_;
};

// Writes picture bytes to path beside it and renames them into place; raises EFCreateError.
void SavePictureBytes(const std::string& path, const std::string& bytes);

}  // namespace albumon
