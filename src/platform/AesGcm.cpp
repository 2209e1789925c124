#include "platform/AesGcm.h"

#include "platform/OpenSslHandles.h"

#include <limits>

namespace varnholt {

namespace {
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

} // namespace varnholt
