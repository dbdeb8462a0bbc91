// SHA-256 digests through nettle.
#include "Fingerprint.h"

#include <nettle/base64.h>
#include <nettle/sha2.h>

#include <array>

namespace albumon {

namespace {

std::array<std::uint8_t, SHA256_DIGEST_SIZE> Digest(std::string_view bytes) {
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
    std::array<std::uint8_t, SHA256_DIGEST_SIZE> digest{};
    sha256_digest(&context, digest.size(), digest.data());
    return digest;
}

std::string Hex(std::uint8_t byte, const char* digits) {
    return {digits[byte >> 4], digits[byte & 15]};
}

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
    std::string text;
    for (std::uint8_t byte : Digest(bytes))
        text += Hex(byte, "0123456789abcdef");
    return text;
}

std::string HostKeyFingerprint(std::string_view keyBlob) {
    const auto digest = Digest(keyBlob);
    std::string text(BASE64_ENCODE_RAW_LENGTH(digest.size()), '\0');
    base64_encode_raw(text.data(), digest.size(), digest.data());
    while (!text.empty() && text.back() == '=')
        text.pop_back();
    return "SHA256:" + text;
}

std::string CertificateFingerprint(std::string_view der) {
    std::string text = "SHA256:";
    for (std::uint8_t byte : Digest(der)) {
        if (text.size() > 7)
            text += ':';
        text += Hex(byte, "0123456789ABCDEF");
    }
    return text;
}

std::string DecodeBase64(std::string_view text) {
    base64_decode_ctx context;
    base64_decode_init(&context);
    std::string bytes(BASE64_DECODE_LENGTH(text.size()), '\0');
    std::size_t length = bytes.size();
    if (!base64_decode_update(&context, &length, reinterpret_cast<std::uint8_t*>(bytes.data()),
                              text.size(), text.data()) ||
        !base64_decode_final(&context))
        return {};
    bytes.resize(length);
    return bytes;
}

}  // namespace albumon
