// Turning a JPEG file on its coefficients (TurboJPEG's lossless transforms): nothing is decoded
// or quantised again, and every marker of the file is kept.
#pragma once

#include <optional>
#include <string>

#include "pixels/Orientation.h"

namespace albumon {

// The file turned as orientation says, or none when its size does not allow a perfect transform
// (a partial block row or column would have to move inside the picture) or it cannot be read.
std::optional<std::string> TurnLosslessly(const std::string& bytes, Orientation orientation);

}  // namespace albumon
