// Reading the coded picture size from the sequence parameter sets of an hvcC box.
#include "codecs/HevcParameters.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace albumon {

namespace {

constexpr int kSpsType = 33;
constexpr std::size_t kConfigHeader = 22;  // the fixed fields before the NAL unit arrays

// Reads bits most significant first; a read past the end sets failed and gives 0.
class BitReader {
  public:
    explicit BitReader(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t Bits(int count) {
        std::uint64_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (position_ >= bytes_.size() * 8) {
                failed = true;
                return 0;
            }
            const auto byte = static_cast<unsigned char>(bytes_[position_ / 8]);
            value = (value << 1) | ((byte >> (7 - position_ % 8)) & 1);
            ++position_;
        }
        return value;
    }
    // An unsigned Exp-Golomb code; codes longer than 32 bits fail.
    std::uint64_t Golomb() {
        int zeros = 0;
        while (!failed && Bits(1) == 0)
            if (++zeros > 32)
                failed = true;
        return failed ? 0 : (std::uint64_t{1} << zeros) - 1 + Bits(zeros);
    }
    bool failed = false;

  private:
    std::string_view bytes_;
    std::size_t position_ = 0;
};

// The payload of a NAL unit without its emulation prevention bytes (00 00 03).
std::string RbspOf(std::string_view nal) {
    std::string rbsp;
    rbsp.reserve(nal.size());
    int zeros = 0;
    for (char c : nal) {
        if (zeros >= 2 && c == 3) {
            zeros = 0;
            continue;
        }
        zeros = c == 0 ? zeros + 1 : 0;
        rbsp.push_back(c);
    }
    return rbsp;
}

// Skips profile_tier_level() with its profile present, for maxSubLayersMinus1 sub-layers.
void SkipProfileTierLevel(BitReader& bits, int maxSubLayersMinus1) {
    bits.Bits(88);  // general profile space, tier, profile, compatibility and constraint flags
    bits.Bits(8);   // general level
    bool profile[8] = {}, level[8] = {};
    for (int i = 0; i < maxSubLayersMinus1; ++i) {
        profile[i] = bits.Bits(1) != 0;
        level[i] = bits.Bits(1) != 0;
    }
    if (maxSubLayersMinus1 > 0)
        bits.Bits(2 * (8 - maxSubLayersMinus1));
    for (int i = 0; i < maxSubLayersMinus1; ++i)
        bits.Bits((profile[i] ? 88 : 0) + (level[i] ? 8 : 0));
}

// The size one sequence parameter set NAL unit (with its two-byte header) declares.
std::optional<CodedSize> SpsSize(std::string_view nal) {
    if (nal.size() < 3)
        return std::nullopt;
    const std::string rbsp = RbspOf(nal.substr(2));
    BitReader bits(rbsp);
    bits.Bits(4);  // video parameter set id
    const int maxSubLayersMinus1 = static_cast<int>(bits.Bits(3));
    bits.Bits(1);
    if (maxSubLayersMinus1 > 6)
        return std::nullopt;
    SkipProfileTierLevel(bits, maxSubLayersMinus1);
    bits.Golomb();           // sequence parameter set id
    if (bits.Golomb() == 3)  // chroma format 4:4:4 carries the separate colour plane flag
        bits.Bits(1);
    CodedSize size;
    size.width = static_cast<std::int64_t>(bits.Golomb());
    size.height = static_cast<std::int64_t>(bits.Golomb());
    if (bits.failed)
        return std::nullopt;
    return size;
}

std::size_t Read16(std::string_view bytes, std::size_t at) {
    return (std::size_t{static_cast<unsigned char>(bytes[at])} << 8) |
           static_cast<unsigned char>(bytes[at + 1]);
}

void Widen(std::optional<CodedSize>& largest, const CodedSize& size) {
    if (!largest)
        largest = size;
    largest->width = std::max(largest->width, size.width);
    largest->height = std::max(largest->height, size.height);
}

bool IsSps(std::string_view nal) {
    return !nal.empty() && ((static_cast<unsigned char>(nal[0]) >> 1) & 0x3F) == kSpsType;
}

}  // namespace

std::optional<CodedSize> HevcCodedSize(std::string_view hvcc) {
    if (hvcc.size() < kConfigHeader + 1)
        return std::nullopt;
    const unsigned arrays = static_cast<unsigned char>(hvcc[kConfigHeader]);
    std::size_t at = kConfigHeader + 1;
    std::optional<CodedSize> largest;
    for (unsigned a = 0; a < arrays; ++a) {
        if (hvcc.size() - at < 3)
            return std::nullopt;
        const std::size_t units = Read16(hvcc, at + 1);
        at += 3;
        for (std::size_t u = 0; u < units; ++u) {
            if (hvcc.size() - at < 2 || hvcc.size() - at - 2 < Read16(hvcc, at))
                return std::nullopt;
            const std::string_view nal = hvcc.substr(at + 2, Read16(hvcc, at));
            at += 2 + nal.size();
            if (!IsSps(nal))
                continue;
            const std::optional<CodedSize> size = SpsSize(nal);
            if (!size)
                return std::nullopt;
            Widen(largest, *size);
        }
    }
    return largest;
}

std::optional<CodedSize> HevcDataSize(std::string_view hvcc, std::string_view data) {
    if (hvcc.size() < kConfigHeader)
        return std::nullopt;
    const std::size_t lengthSize = (static_cast<unsigned char>(hvcc[kConfigHeader - 1]) & 3) + 1;
    std::optional<CodedSize> largest;
    for (std::size_t at = 0; data.size() - at >= lengthSize;) {
        std::size_t length = 0;
        for (std::size_t i = 0; i < lengthSize; ++i)
            length = (length << 8) | static_cast<unsigned char>(data[at + i]);
        at += lengthSize;
        if (length > data.size() - at)
            break;
        const std::string_view nal = data.substr(at, length);
        at += length;
        if (IsSps(nal))
            Widen(largest, SpsSize(nal).value_or(CodedSize{INT64_MAX, INT64_MAX}));
    }
    return largest;
}

}  // namespace albumon
