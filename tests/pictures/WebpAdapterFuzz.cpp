// Fuzz target: the Webp adapter, then the album's JPEG made from what it decoded.
#include "codecs/WebpAdapter.h"

namespace {
constexpr auto kDecode = albumon::DecodeWebp;
}  // namespace

#include "PhotoAdapterFuzz.h"
