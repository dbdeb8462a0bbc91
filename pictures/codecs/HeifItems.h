// The items of a HEIF file as its meta box lists them: type, declared size, HEVC configuration
// and coded data, references and, for grids and overlays, their description. Read without libheif,
// to check a picture before libheif decodes it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/HevcParameters.h"

namespace albumon {

struct HeifItem {
    std::string type;                      // "hvc1", "grid", "iovl", ...
    std::optional<CodedSize> declared;     // its ispe property
    std::string_view hvcc;                 // its hvcC property's contents, or empty
    std::vector<std::uint32_t> parts;      // dimg references: grid tiles, overlay layers
    std::vector<std::uint32_t> auxiliary;  // the items whose auxl references name this one
    std::string head;  // a grid's or overlay's description: the first bytes of its data
    std::vector<std::string_view> data;  // an HEVC picture's coded data, extent by extent
};

using HeifItems = std::map<std::uint32_t, HeifItem>;

// The items of file (whose bytes must outlive the result); nullopt when its meta box is missing,
// cut short or malformed.
std::optional<HeifItems> ReadHeifItems(std::string_view file);

}  // namespace albumon
