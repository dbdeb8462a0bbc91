// The SHA-256 digests publishing works with: of a file's bytes, of a host's key, of a
// certificate.
#pragma once

#include <string>
#include <string_view>

namespace albumon {

// The SHA-256 of bytes as 64 lowercase hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

// A host key's fingerprint as ssh shows it: "SHA256:" and the digest in base64 without padding.
std::string HostKeyFingerprint(std::string_view keyBlob);

// A certificate's fingerprint as browsers show it: "SHA256:" and the digest's bytes in
// uppercase hexadecimal, separated by colons.
std::string CertificateFingerprint(std::string_view der);

// The bytes of base64 text; empty when it is not base64.
std::string DecodeBase64(std::string_view text);

}  // namespace albumon
