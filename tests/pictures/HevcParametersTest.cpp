// The picture sizes HEVC sequence parameter sets declare, in a decoder configuration and
// repeated in a picture's coded data, read before any decoder sizes its buffers by them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/HevcParameters.h"

namespace albumon {
namespace {

// Writes bits most significant first.
class Bits {
  public:
    void Put(std::uint64_t value, int count) {
        for (int i = count - 1; i >= 0; --i)
            bits_.push_back(static_cast<char>((value >> i) & 1));
    }
    void Golomb(std::uint64_t value) {
        int length = 0;
        while ((value + 1) >> (length + 1))
            ++length;
        Put(0, length);
        Put(value + 1, length + 1);
    }
    std::string Bytes() const {
        std::string bytes((bits_.size() + 7) / 8, '\0');
        for (std::size_t i = 0; i < bits_.size(); ++i)
            bytes[i / 8] = static_cast<char>(bytes[i / 8] | (bits_[i] << (7 - i % 8)));
        return bytes;
    }

  private:
    std::string bits_;
};

// A sequence parameter set NAL unit (header included) declaring width x height, 4:2:0.
std::string Sps(std::uint64_t width, std::uint64_t height) {
    Bits bits;
    bits.Put(0, 4);     // video parameter set id
    bits.Put(0, 3);     // one sub-layer
    bits.Put(1, 1);     // temporal id nesting
    bits.Put(0x01, 8);  // profile space, tier, profile Main
    bits.Put(0, 32);    // compatibility flags
    bits.Put(0, 48);    // constraint flags
    bits.Put(90, 8);    // level
    bits.Golomb(0);     // sequence parameter set id
    bits.Golomb(1);     // 4:2:0
    bits.Golomb(width);
    bits.Golomb(height);
    bits.Put(1, 8);  // what follows is not read
    return std::string("\x42\x01", 2) + bits.Bytes();
}

std::string Length(std::size_t size, int bytes) {
    std::string length;
    for (int i = bytes - 1; i >= 0; --i)
        length.push_back(static_cast<char>(size >> (8 * i)));
    return length;
}

// A decoder configuration with 4-byte unit lengths holding the given parameter sets.
std::string Hvcc(const std::vector<std::string>& sets) {
    std::string hvcc(22, '\0');
    hvcc[0] = 1;
    hvcc[21] = 3;  // lengths of 4 bytes
    hvcc.push_back(static_cast<char>(sets.empty() ? 0 : 1));
    if (!sets.empty()) {
        hvcc.push_back(static_cast<char>(0x80 | 33));
        hvcc += Length(sets.size(), 2);
        for (const std::string& set : sets)
            hvcc += Length(set.size(), 2) + set;
    }
    return hvcc;
}

// Coded data: each unit after its 4-byte length.
std::string Units(const std::vector<std::string>& units) {
    std::string data;
    for (const std::string& unit : units)
        data += Length(unit.size(), 4) + unit;
    return data;
}

TEST(HevcParametersTest, SizesAreReadFromTheConfigurationAndTheCodedData) {
    const std::string slice("\x26\x01\xaf\x00", 4);
    const std::string cutSps = Sps(4032, 3024).substr(0, 6);
    struct Case {
        const char* what;
        std::vector<std::string> configured;
        std::string data;
        std::optional<std::pair<std::int64_t, std::int64_t>> configuredSize, dataSize;
    };
    const std::vector<Case> cases{
        {"one set, plain data", {Sps(512, 512)}, Units({slice}), {{512, 512}}, std::nullopt},
        {"the largest of two sets", {Sps(512, 320), Sps(256, 640)}, "", {{512, 640}}, {}},
        {"a larger set repeated in the data",
         {Sps(512, 512)},
         Units({Sps(65536, 16), slice, Sps(16, 40000)}),
         {{512, 512}},
         {{65536, 40000}}},
        {"a set in the data that cannot be read",
         {Sps(512, 512)},
         Units({cutSps}),
         {{512, 512}},
         {{INT64_MAX, INT64_MAX}}},
        {"a unit longer than the data ends the search",
         {Sps(512, 512)},
         Units({slice}) + Length(1000, 4) + Sps(65536, 65536),
         {{512, 512}},
         std::nullopt},
        {"no set at all", {}, Units({slice}), std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::string hvcc = Hvcc(c.configured);
        const auto size = [](std::optional<CodedSize> found) {
            return found ? std::optional(std::pair{found->width, found->height}) : std::nullopt;
        };
        EXPECT_EQ(size(HevcCodedSize(hvcc)), c.configuredSize) << c.what;
        EXPECT_EQ(size(HevcDataSize(hvcc, c.data)), c.dataSize) << c.what;
    }
}

}  // namespace
}  // namespace albumon
