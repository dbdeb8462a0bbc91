// Handing a picture to the adapter of its format.
#include "codecs/PhotoFormats.h"

#include "codecs/HeifAdapter.h"
#include "codecs/PngAdapter.h"
#include "codecs/WebpAdapter.h"
#include "metadata/PictureKind.h"
#include "pixels/GraphicErrors.h"

namespace albumon {

DecodedPicture DecodePhoto(const std::string& bytes, std::int64_t maxPixels) {
    switch (SniffPicture(bytes)) {
        case pkHeif:
            return DecodeHeif(bytes, maxPixels);
        case pkPng:
            return DecodePng(bytes, maxPixels);
        case pkWebp:
            return DecodeWebp(bytes, maxPixels);
        default:
            throw EInvalidGraphic("画像の形式が分かりません");
    }
}

}  // namespace albumon
