#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace varnholt {

enum class Pbkdf2Hash { sha1, sha256 };

// Called now and then with the share of the work done, from 0 to 1.
using Pbkdf2Progress = std::function<void(double)>;

// PBKDF2-HMAC (RFC 8018) of `length` bytes. A backup's passcode derivation runs about ten million
// rounds, seconds of work: this loop reports its progress and stops when asked (then it returns
// nothing), which libcrypto's one-call PKCS5_PBKDF2_HMAC cannot. Each round is still libcrypto's HMAC.
[[nodiscard]] std::optional<std::string> pbkdf2(Pbkdf2Hash hash, std::string_view password, std::string_view salt,
                                                std::uint32_t iterations, std::size_t length,
                                                const Pbkdf2Progress& progress = {}, std::stop_token stop = {});

} // namespace varnholt
