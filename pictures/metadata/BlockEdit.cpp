// MD5 digests through nettle, for the digests metadata blocks keep of their own contents.
#include "metadata/BlockEdit.h"

#include <nettle/md5.h>

#include <cstdint>

namespace albumon {

std::string Md5Bytes(const std::string& bytes) {
    md5_ctx context;
    md5_init(&context);
    md5_update(&context, bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
    std::string digest(MD5_DIGEST_SIZE, '\0');
    md5_digest(&context, digest.size(), reinterpret_cast<std::uint8_t*>(digest.data()));
    return digest;
}

std::string Md5Hex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : Md5Bytes(bytes)) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 0x0F];
    }
    return hex;
}

}  // namespace albumon
