#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

// RFC 3394 AES key wrap with the default initial value, for keys of 16, 24 or 32 bytes. Unwrapping
// checks the integrity value: a wrong key gives nothing, which is how a wrong password shows.
[[nodiscard]] std::optional<std::string> aesUnwrapKey(std::string_view key, std::string_view wrapped);

// The other way, for the fixtures that build encrypted stores.
[[nodiscard]] std::optional<std::string> aesWrapKey(std::string_view key, std::string_view plain);

} // namespace varnholt
