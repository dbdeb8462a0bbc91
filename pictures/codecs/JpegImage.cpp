// TJPEGImage: loading, sizes at the decode scale, lazy decode and encode.
#include "codecs/JpegImage.h"

#include "FileSystem.h"
#include "pixels/GraphicErrors.h"

namespace albumon {

namespace {

// The library's output size at a scale of 1 / 2^scale: the size divided and rounded up.
std::int32_t Scaled(std::int32_t size, JpegScale scale) {
    std::int32_t denominator = std::int32_t{1} << scale;
    return (size + denominator - 1) / denominator;
}

}  // namespace

TJPEGImage::TJPEGImage() : data_(std::make_shared<const TJPEGData>()) {}

void TJPEGImage::LoadFromFile(const std::string& path) {
    std::string bytes;
    if (int err = ReadWholeFile(path, bytes, kMaxPictureFileBytes)) {
        if (IsRefusal(err))
            RaiseRefusal(path, err);
        throw EFOpenError(path);
    }
    LoadFromBytes(std::move(bytes));
}

void TJPEGImage::LoadFromBytes(std::string bytes) {
    JpegHeader header;
    if (!bytes.empty())
        header = ReadJpegHeader(bytes);
    data_ = std::make_shared<const TJPEGData>(std::move(bytes), header);
    raster_.reset();
    encode_.progressive = header.progressive;
}

void TJPEGImage::SaveToFile(const std::string& path) {
    if (data_->bytes.empty())
        Encode();
    SavePictureBytes(path, data_->bytes);
}

std::int32_t TJPEGImage::Width() const {
    if (raster_)
        return raster_->Width();
    return Scaled(data_->header.width, decode_.scale);
}

std::int32_t TJPEGImage::Height() const {
    if (raster_)
        return raster_->Height();
    return Scaled(data_->header.height, decode_.scale);
}

void TJPEGImage::SetWidth(std::int32_t) {
    throw EInvalidGraphicOperation("JPEG イメージのサイズは変更できません");
}

void TJPEGImage::SetHeight(std::int32_t) {
    throw EInvalidGraphicOperation("JPEG イメージのサイズは変更できません");
}

void TJPEGImage::ChangeDecodeSetting(bool changed) {
    if (changed)
        raster_.reset();
}

void TJPEGImage::SetDecodeScale(JpegScale scale) {
    ChangeDecodeSetting(scale != decode_.scale);
    decode_.scale = scale;
}

void TJPEGImage::SetOutputDepth(JpegPixelFormat depth) {
    ChangeDecodeSetting(depth != OutputDepth());
    decode_.eightBit = depth == jf8Bit;
}

void TJPEGImage::SetGrayOutput(bool gray) {
    ChangeDecodeSetting(gray != decode_.grayOutput);
    decode_.grayOutput = gray;
}

void TJPEGImage::SetFastDecode(bool fast) {
    ChangeDecodeSetting(fast != decode_.fast);
    decode_.fast = fast;
}

const Raster& TJPEGImage::GetRaster() {
    if (!raster_) {
        JpegDamage damage = jdNone;
        raster_ = DecodeJpeg(data_->bytes, decode_, &damage);
        if (damage != jdNone)
            data_->damage = damage;
    }
    return *raster_;
}

Raster TJPEGImage::TakeRaster() {
    GetRaster();
    Raster raster = std::move(*raster_);
    raster_.reset();
    return raster;
}

void TJPEGImage::AssignRaster(Raster raster) {
    data_ = std::make_shared<const TJPEGData>();
    raster_ = std::move(raster);
}

void TJPEGImage::Encode() {
    data_ = std::make_shared<const TJPEGData>();
    if (!raster_ || raster_->Empty())
        return;
    EncodeOptions options = encode_;
    options.grayOutput = decode_.grayOutput;
    std::string bytes = EncodeJpeg(*raster_, options);
    JpegHeader header;
    header.width = raster_->Width();
    header.height = raster_->Height();
    header.grayscale = options.grayOutput;
    header.progressive = options.progressive;
    data_ = std::make_shared<const TJPEGData>(std::move(bytes), header);
}

void SavePictureBytes(const std::string& path, const std::string& bytes) {
    if (WriteFileAtomically(path, bytes.data(), bytes.size()) != 0)
        throw EFCreateError(path);
}

}  // namespace albumon
