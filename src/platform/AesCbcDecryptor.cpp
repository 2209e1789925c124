#include "platform/AesCbcDecryptor.h"

#include <array>

namespace varnholt {

namespace {
constexpr std::size_t kBlock = 16;
constexpr std::array<unsigned char, kBlock> kZeroIv{};
} // namespace

std::optional<AesCbcDecryptor> AesCbcDecryptor::create(std::string_view key)
{
    if (key.size() != 32)
        return std::nullopt;
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context || EVP_DecryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr,
                                       reinterpret_cast<const unsigned char*>(key.data()), kZeroIv.data()) != 1)
        return std::nullopt;
    EVP_CIPHER_CTX_set_padding(context.get(), 0);
    return AesCbcDecryptor(std::move(context));
}

bool AesCbcDecryptor::update(std::string_view cipher, std::string& plain)
{
    if (cipher.empty())
        return true;
    const std::size_t start = plain.size();
    plain.resize(start + cipher.size() + kBlock);
    int written = 0;
    const bool ok =
        EVP_DecryptUpdate(m_context.get(), reinterpret_cast<unsigned char*>(plain.data() + start), &written,
                          reinterpret_cast<const unsigned char*>(cipher.data()), static_cast<int>(cipher.size())) == 1;
    plain.resize(start + (ok ? static_cast<std::size_t>(written) : 0));
    return ok;
}

bool AesCbcDecryptor::finish(std::string& plain)
{
    std::array<unsigned char, kBlock> rest{};
    int written = 0;
    if (EVP_DecryptFinal_ex(m_context.get(), rest.data(), &written) != 1)
        return false;
    plain.append(reinterpret_cast<const char*>(rest.data()), static_cast<std::size_t>(written));
    return true;
}

std::optional<std::string> aesCbcEncrypt(std::string_view key, std::string_view plain)
{
    if (key.size() != 32)
        return std::nullopt;
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context || EVP_EncryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr,
                                       reinterpret_cast<const unsigned char*>(key.data()), kZeroIv.data()) != 1)
        return std::nullopt;
    std::string cipher(plain.size() + kBlock, '\0');
    int written = 0;
    int last = 0;
    if (EVP_EncryptUpdate(context.get(), reinterpret_cast<unsigned char*>(cipher.data()), &written,
                          reinterpret_cast<const unsigned char*>(plain.data()), static_cast<int>(plain.size())) != 1 ||
        EVP_EncryptFinal_ex(context.get(), reinterpret_cast<unsigned char*>(cipher.data()) + written, &last) != 1)
        return std::nullopt;
    cipher.resize(static_cast<std::size_t>(written + last));
    return cipher;
}

std::optional<std::string_view> withoutPkcs7Padding(std::string_view plain)
{
    if (plain.empty() || plain.size() % kBlock != 0)
        return std::nullopt;
    const auto pad = static_cast<unsigned char>(plain.back());
    if (pad == 0 || pad > kBlock)
        return std::nullopt;
    for (std::size_t i = plain.size() - pad; i < plain.size(); ++i)
        if (static_cast<unsigned char>(plain[i]) != pad)
            return std::nullopt;
    return plain.substr(0, plain.size() - pad);
}

} // namespace varnholt
