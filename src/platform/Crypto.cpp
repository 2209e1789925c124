#include "platform/Crypto.h"

#include <limits>
#include <memory>
#include <openssl/evp.h>

namespace varnholt::crypto {

namespace {
struct ContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, ContextFree>;

const unsigned char* bytes(std::string_view text)
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

unsigned char* bytes(std::string& text)
{
    return reinterpret_cast<unsigned char*>(text.data());
}

bool fitsInt(std::size_t size)
{
    return size <= static_cast<std::size_t>(std::numeric_limits<int>::max() - 64);
}
} // namespace

std::optional<std::string> pbkdf2Sha256(std::string_view password, std::string_view salt, unsigned iterations,
                                        std::size_t length)
{
    if (iterations == 0 || length == 0 || !fitsInt(password.size()) || !fitsInt(salt.size()) || !fitsInt(length) ||
        iterations > static_cast<unsigned>(std::numeric_limits<int>::max()))
        return std::nullopt;
    std::string out(length, '\0');
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), bytes(salt),
                          static_cast<int>(salt.size()), static_cast<int>(iterations), EVP_sha256(),
                          static_cast<int>(length), bytes(out)) != 1)
        return std::nullopt;
    return out;
}

std::optional<std::string> aesKeyUnwrap(std::string_view keyEncryptingKey, std::string_view wrapped)
{
    const EVP_CIPHER* cipher = keyEncryptingKey.size() == 16   ? EVP_aes_128_wrap()
                               : keyEncryptingKey.size() == 24 ? EVP_aes_192_wrap()
                               : keyEncryptingKey.size() == 32 ? EVP_aes_256_wrap()
                                                               : nullptr;
    if (!cipher || wrapped.size() < 24 || wrapped.size() % 8 != 0 || !fitsInt(wrapped.size()))
        return std::nullopt;
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context)
        return std::nullopt;
    EVP_CIPHER_CTX_set_flags(context.get(), EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
    if (EVP_DecryptInit_ex(context.get(), cipher, nullptr, bytes(keyEncryptingKey), nullptr) != 1)
        return std::nullopt;
    std::string out(wrapped.size() + 16, '\0');
    int written = 0;
    // The integrity check of the unwrap fails here for a wrong key.
    if (EVP_DecryptUpdate(context.get(), bytes(out), &written, bytes(wrapped), static_cast<int>(wrapped.size())) != 1)
        return std::nullopt;
    int last = 0;
    if (EVP_DecryptFinal_ex(context.get(), bytes(out) + written, &last) != 1)
        return std::nullopt;
    out.resize(static_cast<std::size_t>(written + last));
    return out;
}

std::optional<std::string> aesGcmDecrypt(std::string_view key, std::string_view nonce, std::string_view ciphertext,
                                         std::string_view tag, std::string_view associatedData)
{
    const EVP_CIPHER* cipher = key.size() == 16   ? EVP_aes_128_gcm()
                               : key.size() == 24 ? EVP_aes_192_gcm()
                               : key.size() == 32 ? EVP_aes_256_gcm()
                                                  : nullptr;
    if (!cipher || nonce.empty() || tag.size() < 12 || tag.size() > 16 || !fitsInt(nonce.size()) ||
        !fitsInt(ciphertext.size()) || !fitsInt(associatedData.size()))
        return std::nullopt;
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context || EVP_DecryptInit_ex(context.get(), cipher, nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(nonce.size()), nullptr) != 1 ||
        EVP_DecryptInit_ex(context.get(), nullptr, nullptr, bytes(key), bytes(nonce)) != 1)
        return std::nullopt;
    int written = 0;
    if (!associatedData.empty() && EVP_DecryptUpdate(context.get(), nullptr, &written, bytes(associatedData),
                                                     static_cast<int>(associatedData.size())) != 1)
        return std::nullopt;
    std::string out(ciphertext.size() + 16, '\0');
    written = 0;
    if (!ciphertext.empty() && EVP_DecryptUpdate(context.get(), bytes(out), &written, bytes(ciphertext),
                                                 static_cast<int>(ciphertext.size())) != 1)
        return std::nullopt;
    std::string tagCopy(tag);
    if (EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(tagCopy.size()), tagCopy.data()) != 1)
        return std::nullopt;
    int last = 0;
    if (EVP_DecryptFinal_ex(context.get(), bytes(out) + written, &last) != 1)
        return std::nullopt; // the tag does not match: wrong key or altered data
    out.resize(static_cast<std::size_t>(written + last));
    return out;
}

} // namespace varnholt::crypto
