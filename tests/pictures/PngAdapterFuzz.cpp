// Fuzz target: the Png adapter, then the album's JPEG made from what it decoded.
#include "codecs/PngAdapter.h"

namespace {
constexpr auto kDecode = albumon::DecodePng;
}  // namespace

#include "PhotoAdapterFuzz.h"
