#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

// AES-GCM decryption (the key's length, 16, 24 or 32 bytes, chooses the AES variant) with a nonce
// of any length (Notes uses 16 bytes), checked against `tag`: nothing for a wrong key, altered
// data or malformed sizes.
[[nodiscard]] std::optional<std::string> aesGcmDecrypt(std::string_view key, std::string_view nonce,
                                                       std::string_view ciphertext, std::string_view tag,
                                                       std::string_view associatedData = {});

} // namespace varnholt
