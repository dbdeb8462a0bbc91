// Walking GPMF records: a four-byte key, a type (0 for a container of further records), the size
// of one sample, a 16-bit big-endian sample count, and the data padded to four bytes.
#include "metadata/GoproLocation.h"

#include <optional>

#include "metadata/ByteOrder.h"

namespace albumon {

namespace {

const std::string kHeader("GoPro\0", 6);
constexpr std::size_t kRecordHeader = 8;
// Cameras nest a few levels deep; anything deeper is not telemetry and must not exhaust the stack.
constexpr int kDeepest = 16;

struct Records {
    std::string data;
    bool removed = false;
};

std::optional<Records> WithoutGps(const std::string& bytes, int depth = 0) {
    if (depth > kDeepest)
        return std::nullopt;
    Records result;
    std::size_t at = 0;
    while (at < bytes.size() && bytes.find_first_not_of('\0', at) != std::string::npos) {
        if (bytes.size() - at < kRecordHeader)
            return std::nullopt;
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[at + k]); };
        const std::size_t sampleSize = byte(5);
        const std::size_t size = sampleSize * BigEndian(bytes, at + 6, 2);
        const std::size_t padded = (size + 3) / 4 * 4;
        if (padded > bytes.size() - at - kRecordHeader)
            return std::nullopt;
        const std::string data = bytes.substr(at + kRecordHeader, size);
        if (bytes.compare(at, 3, "GPS") == 0) {
            result.removed = true;
        } else if (byte(4) == 0 && sampleSize > 0) {
            std::optional<Records> inner = WithoutGps(data, depth + 1);
            const std::size_t count = inner ? inner->data.size() / sampleSize : 0;
            if (!inner || inner->data.size() % sampleSize != 0 || count > 0xFFFF)
                return std::nullopt;
            result.removed = result.removed || inner->removed;
            result.data += bytes.substr(at, 6) + static_cast<char>(count >> 8) +
                           static_cast<char>(count & 0xFF) + inner->data;
        } else {
            result.data += bytes.substr(at, kRecordHeader + padded);
        }
        at += kRecordHeader + padded;
    }
    return result;
}

}  // namespace

bool IsGoproTelemetry(const std::string& payload) {
    return payload.compare(0, kHeader.size(), kHeader) == 0;
}

BlockEdit GoproLocationEdit(const std::string& payload) {
    const std::optional<Records> records = WithoutGps(payload.substr(kHeader.size()));
    if (!records)
        return BlockEdit::Unreadable();
    if (!records->removed)
        return BlockEdit::Kept();
    return BlockEdit::Replaced(records->data.empty() ? std::string() : kHeader + records->data);
}

}  // namespace albumon
