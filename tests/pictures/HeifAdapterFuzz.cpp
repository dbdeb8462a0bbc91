// Fuzz target: the Heif adapter, then the album's JPEG made from what it decoded.
#include "codecs/HeifAdapter.h"

namespace {
constexpr auto kDecode = albumon::DecodeHeif;
}  // namespace

#include "PhotoAdapterFuzz.h"
