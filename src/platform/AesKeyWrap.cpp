#include "platform/AesKeyWrap.h"

#include "platform/OpenSslHandles.h"

namespace varnholt {

namespace {
const EVP_CIPHER* wrapCipher(std::size_t keySize)
{
    switch (keySize) {
    case 16:
        return EVP_aes_128_wrap();
    case 24:
        return EVP_aes_192_wrap();
    case 32:
        return EVP_aes_256_wrap();
    default:
        return nullptr;
    }
}

std::optional<std::string> run(bool encrypt, std::string_view key, std::string_view input)
{
    const EVP_CIPHER* cipher = wrapCipher(key.size());
    // RFC 3394 works on 64-bit blocks, at least two of them, plus one for the integrity value when wrapped.
    const std::size_t minimum = encrypt ? 16 : 24;
    if (!cipher || input.size() < minimum || input.size() % 8 != 0)
        return std::nullopt;
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context)
        return std::nullopt;
    EVP_CIPHER_CTX_set_flags(context.get(), EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
    const auto* keyBytes = reinterpret_cast<const unsigned char*>(key.data());
    if (EVP_CipherInit_ex(context.get(), cipher, nullptr, keyBytes, nullptr, encrypt ? 1 : 0) != 1)
        return std::nullopt;
    std::string output(input.size() + 8, '\0');
    int written = 0;
    if (EVP_CipherUpdate(context.get(), reinterpret_cast<unsigned char*>(output.data()), &written,
                         reinterpret_cast<const unsigned char*>(input.data()), static_cast<int>(input.size())) != 1 ||
        written <= 0)
        return std::nullopt;
    int last = 0;
    if (EVP_CipherFinal_ex(context.get(), reinterpret_cast<unsigned char*>(output.data()) + written, &last) != 1)
        return std::nullopt;
    output.resize(static_cast<std::size_t>(written + last));
    return output;
}
} // namespace

std::optional<std::string> aesUnwrapKey(std::string_view key, std::string_view wrapped)
{
    return run(false, key, wrapped);
}

std::optional<std::string> aesWrapKey(std::string_view key, std::string_view plain)
{
    return run(true, key, plain);
}

} // namespace varnholt
