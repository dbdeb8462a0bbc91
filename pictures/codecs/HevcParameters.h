// The picture size an HEVC decoder configuration (hvcC box) declares in its sequence parameter
// sets, read before any decoder sizes its buffers by it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace albumon {

struct CodedSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// The largest width and height among the record's sequence parameter sets; nullopt when the
// record is cut short, malformed or holds none.
std::optional<CodedSize> HevcCodedSize(std::string_view hvcc);

// The largest width and height among the sequence parameter sets a picture's coded data repeats
// (NAL units, each after a big-endian length of the size its hvcC record gives); nullopt when
// it repeats none. A unit cut short ends the search; a set that cannot be read counts as
// unbounded (INT64_MAX a side).
std::optional<CodedSize> HevcDataSize(std::string_view hvcc, std::string_view data);

}  // namespace albumon
