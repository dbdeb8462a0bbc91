// The baselines written directly on libjpeg-turbo that the benchmarks measure Albumon against:
// plain file reads and writes, a plain decode and encode, and the least work a thumbnail and a
// copy of a picture need.
#pragma once

#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jpeglib.h>

#include <cstddef>
#include <string>
#include <vector>

namespace albumon::bench {

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const void* data, std::size_t size);

// A plain decode to BGR with the library's defaults or its fast transform, at 1 / denominator.
std::vector<JSAMPLE> Decode(const std::string& bytes, unsigned denominator, bool fast,
                            JDIMENSION& width, JDIMENSION& height);

// A baseline encode of BGR (or, with space, other 3-byte) pixels at quality.
std::vector<unsigned char> Encode(const JSAMPLE* pixels, JDIMENSION width, JDIMENSION height,
                                  int quality, J_COLOR_SPACE space = JCS_EXT_BGR);
inline std::vector<unsigned char> Encode(const std::vector<JSAMPLE>& pixels, JDIMENSION width,
                                         JDIMENSION height, int quality) {
    return Encode(pixels.data(), width, height, quality);
}

// The least a thumbnail and a copy need: read the source, decode it at the fit's scale (an
// eighth, the scale of every benchmark picture) with the fast transform, nearest-sample to a
// long side of 64 pixels, encode at 75, write the thumbnail, write the copy (none when copy is
// empty).
void ThumbnailAndCopy(const std::string& source, const std::string& thumbnail,
                      const std::string& copy);

// A picture turned a quarter right: decoded at full size with the library's defaults, turned,
// encoded at quality and written.
void TurnedRight(const std::string& source, const std::string& turned, int quality);

}  // namespace albumon::bench
