#pragma once

#include "platform/OpenSslHandles.h"

#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

// AES-256-CBC with a zero initial value, as iPhone backups encrypt their files, fed in pieces so
// that a file of any size is decrypted in a fixed amount of memory. Padding is left in place: the
// caller knows the plain size (a backup records it) or removes it with `withoutPkcs7Padding`.
class AesCbcDecryptor {
public:
    // Absent unless the key has 32 bytes.
    static std::optional<AesCbcDecryptor> create(std::string_view key);

    // Appends the plain bytes for `cipher` to `plain`; a trailing partial block waits for more input.
    bool update(std::string_view cipher, std::string& plain);
    // False when the input did not end on a block boundary.
    bool finish(std::string& plain);

private:
    explicit AesCbcDecryptor(CipherContext context) : m_context(std::move(context)) {}
    CipherContext m_context;
};

// Encrypts whole with PKCS#7 padding: for fixtures that build encrypted backups.
[[nodiscard]] std::optional<std::string> aesCbcEncrypt(std::string_view key, std::string_view plain);

// `plain` less a valid PKCS#7 padding; absent when the padding is not valid.
[[nodiscard]] std::optional<std::string_view> withoutPkcs7Padding(std::string_view plain);

} // namespace varnholt
