// The baseline of the screen-size pictures written directly on libjpeg-turbo: one decode at the
// eighths that cover the largest size, area-averaged reductions in fixed point from each size to
// the next, encodes and writes.
#pragma once

#include <string>
#include <vector>

namespace albumon::bench {

// Writes outPrefix + "." + side + ".jpg" for every side (ascending) below the picture's long
// side, from the picture's bytes, encoded at quality.
void ScreenSizes(const std::string& bytes, const std::string& outPrefix,
                 const std::vector<int>& sides, int quality);

}  // namespace albumon::bench
