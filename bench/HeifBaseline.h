// The HEIC baseline the benchmarks measure Albumon's conversion against: libheif's own decode to
// interleaved RGB plus a libjpeg-turbo encode; and the 12 MP HEIC they read, made as a phone
// would store it.
#pragma once

#include <string>
#include <vector>

#include "Baseline.h"

namespace albumon::bench {

// libheif's decode of the primary picture to interleaved RGB, then a baseline JPEG encode at
// quality. Aborts on a file libheif cannot decode.
std::vector<unsigned char> HeifToJpeg(const std::string& heic, int quality);

// Encodes BGR pixels as HEVC at quality 85 (x265's fast preset) into a HEIC file; false on
// failure.
bool WriteHeic(const std::vector<JSAMPLE>& bgr, JDIMENSION width, JDIMENSION height,
               const std::string& path);

}  // namespace albumon::bench
