#pragma once

#include "platform/DomainError.h"

#include <tl/expected.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace varnholt::backup {

// Decrypts one file of an encrypted backup (AES-256-CBC, zero initial value) into `target`, a new
// file readable by this user only, a piece at a time so that memory stays flat for any size. With
// `size` (the backup records each file's) the plain text is cut to it; without it (Manifest.db)
// the padding is removed, and a padding that is not valid means the key is wrong. A failure leaves
// no `target` behind.
[[nodiscard]] tl::expected<void, DomainError> decryptFile(const std::filesystem::path& encrypted, std::string_view key,
                                                          std::optional<std::uint64_t> size,
                                                          const std::filesystem::path& target);

} // namespace varnholt::backup
