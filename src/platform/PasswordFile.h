#pragma once

#include "platform/DomainError.h"
#include "platform/Files.h"

#include <filesystem>
#include <string>
#include <tl/expected.hpp>
#include <vector>

namespace varnholt {

// The passwords a user keeps for locked notes and encrypted backups: one a line, each kept byte
// for byte (spaces included) but for its line ending. Empty lines hold no password. A file that
// cannot be read, or that holds no password, is an error (kind badInput) that says so.
[[nodiscard]] tl::expected<std::vector<std::string>, DomainError>
readPasswordFile(const std::filesystem::path& path, const ReadabilityProbe& canRead = defaultReadabilityProbe());

} // namespace varnholt
