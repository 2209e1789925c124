#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnholt::crypto {

// The primitives that open what Apple encrypts with a password (locked notes, encrypted
// backups), on OpenSSL's libcrypto. Each gives nothing when its input is malformed or, for
// the two that authenticate, when the key is wrong.

// PBKDF2 with HMAC-SHA256.
[[nodiscard]] std::optional<std::string> pbkdf2Sha256(std::string_view password, std::string_view salt,
                                                      unsigned iterations, std::size_t length);

// RFC 3394 AES key unwrap with the default initial value; the key-encrypting key's length
// (16, 24 or 32 bytes) chooses AES-128, -192 or -256.
[[nodiscard]] std::optional<std::string> aesKeyUnwrap(std::string_view keyEncryptingKey, std::string_view wrapped);

// AES-GCM decryption with a nonce of any length (Notes uses 16 bytes), checked against `tag`.
[[nodiscard]] std::optional<std::string> aesGcmDecrypt(std::string_view key, std::string_view nonce,
                                                       std::string_view ciphertext, std::string_view tag,
                                                       std::string_view associatedData = {});

} // namespace varnholt::crypto
