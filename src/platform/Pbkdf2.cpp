#include "platform/Pbkdf2.h"

#include "platform/OpenSslHandles.h"

#include <openssl/core_names.h>
#include <openssl/params.h>

#include <algorithm>
#include <array>

namespace varnholt {

namespace {
constexpr std::uint32_t kRoundsBetweenReports = 1u << 16;

const char* digestName(Pbkdf2Hash hash)
{
    return hash == Pbkdf2Hash::sha1 ? "SHA1" : "SHA256";
}
} // namespace

std::optional<std::string> pbkdf2(Pbkdf2Hash hash, std::string_view password, std::string_view salt,
                                  std::uint32_t iterations, std::size_t length, const Pbkdf2Progress& progress,
                                  std::stop_token stop)
{
    if (iterations == 0 || length == 0)
        return std::nullopt;
    Mac mac(EVP_MAC_fetch(nullptr, "HMAC", nullptr));
    if (!mac)
        return std::nullopt;
    MacContext context(EVP_MAC_CTX_new(mac.get()));
    if (!context)
        return std::nullopt;
    std::array<OSSL_PARAM, 2> parameters{
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, const_cast<char*>(digestName(hash)), 0),
        OSSL_PARAM_construct_end()};
    // An empty password is a key of no bytes, which HMAC accepts; a null pointer would mean "keep the last key".
    static const unsigned char kNoKey = 0;
    const auto* key = password.empty() ? &kNoKey : reinterpret_cast<const unsigned char*>(password.data());
    if (EVP_MAC_init(context.get(), key, password.size(), parameters.data()) != 1)
        return std::nullopt;
    const std::size_t blockSize = EVP_MAC_CTX_get_mac_size(context.get());

    const std::size_t blocks = (length + blockSize - 1) / blockSize;
    const double totalRounds = static_cast<double>(blocks) * iterations;
    std::string derived;
    derived.reserve(blocks * blockSize);
    std::array<unsigned char, EVP_MAX_MD_SIZE> round{};
    std::array<unsigned char, EVP_MAX_MD_SIZE> block{};
    for (std::size_t index = 1; index <= blocks; ++index) {
        const std::array<unsigned char, 4> counter{
            static_cast<unsigned char>(index >> 24), static_cast<unsigned char>(index >> 16),
            static_cast<unsigned char>(index >> 8), static_cast<unsigned char>(index)};
        std::size_t size = 0;
        // A null key restarts HMAC from the key already set, without hashing the password again each round.
        if (EVP_MAC_init(context.get(), nullptr, 0, nullptr) != 1 ||
            EVP_MAC_update(context.get(), reinterpret_cast<const unsigned char*>(salt.data()), salt.size()) != 1 ||
            EVP_MAC_update(context.get(), counter.data(), counter.size()) != 1 ||
            EVP_MAC_final(context.get(), round.data(), &size, round.size()) != 1)
            return std::nullopt;
        std::copy_n(round.begin(), blockSize, block.begin());
        for (std::uint32_t iteration = 1; iteration < iterations; ++iteration) {
            if (iteration % kRoundsBetweenReports == 0) {
                if (stop.stop_requested())
                    return std::nullopt;
                if (progress)
                    progress((static_cast<double>(index - 1) * iterations + iteration) / totalRounds);
            }
            if (EVP_MAC_init(context.get(), nullptr, 0, nullptr) != 1 ||
                EVP_MAC_update(context.get(), round.data(), blockSize) != 1 ||
                EVP_MAC_final(context.get(), round.data(), &size, round.size()) != 1)
                return std::nullopt;
            for (std::size_t i = 0; i < blockSize; ++i)
                block[i] ^= round[i];
        }
        derived.append(reinterpret_cast<const char*>(block.data()), blockSize);
    }
    derived.resize(length);
    if (progress)
        progress(1.0);
    return derived;
}

} // namespace varnholt
