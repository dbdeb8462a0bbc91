// Fuzz target: the JPEG adapter on in-memory data, as a preview and a save would use it: header,
// decode at the scale the fit picks (fast or accurate, 24- or 8-bit), thumbnail, turn, encode.
#include <cstddef>
#include <cstdint>
#include <string>

#include "codecs/JpegImage.h"
#include "pixels/GraphicErrors.h"
#include "pixels/RasterTurns.h"
#include "renditions/Images.h"
#include "renditions/Thumbnails.h"

namespace {

// Pictures beyond these sizes are left out: they are slow and memory-hungry, not interesting
// (the tests cover huge declared sizes).
constexpr std::int64_t kMaxFuzzPixels = std::int64_t{2048} * 2048;

void Exercise(const std::string& bytes, std::uint8_t flags) {
    using namespace albumon;
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(bytes);
    if (jpeg.Width() < 1 || jpeg.Height() < 1)
        return;
    PictureView view;
    view.SetPicture(jpeg);
    FitPicture(view, 244);
    TJPEGImage* picture = view.Jpeg();
    picture->SetFastDecode(flags & 1);
    picture->SetOutputDepth(flags & 2 ? jf8Bit : jf24Bit);
    picture->SetGrayOutput(flags & 4);
    if (std::int64_t{picture->Width()} * picture->Height() > kMaxFuzzPixels)
        return;
    const Raster& raster = view.PictureRaster();
    TJPEGImage thumbnail;
    thumbnail.AssignRaster(SampleThumbnail(raster, 32 + flags % 97));
    thumbnail.Encode();
    TJPEGImage turned;
    turned.AssignRaster(flags & 8 ? TurnedRight(raster) : Turned180(raster));
    turned.SetEncodeQuality(1 + flags % 100);
    turned.Encode();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    std::string bytes(reinterpret_cast<const char*>(data), size - 1);
    try {
        Exercise(bytes, data[size - 1]);
    } catch (const albumon::EInvalidGraphic&) {
        // an unreadable picture counts as no picture
    }
    return 0;
}
