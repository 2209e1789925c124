#pragma once

#include "platform/FileSystemError.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include <tl/expected.hpp>

namespace varnholt {

// Whether the process may read a path. Exporters take one of these so tests
// can stand in for a missing permission (tests run as root, who reads all).
using ReadabilityProbe = std::function<bool(const std::string& path)>;
ReadabilityProbe defaultReadabilityProbe();

// Writes `contents` to a temporary file beside `path`, then renames it over
// `path`, so a reader never sees half a file and a failure leaves the old one.
// A name for a file to write before it is renamed to `path`: in the same folder, so the rename is atomic.
std::filesystem::path temporarySibling(const std::filesystem::path& path);

[[nodiscard]] tl::expected<void, FileSystemError> writeFileAtomically(const std::filesystem::path& path,
                                                                      std::string_view contents);
// Plain write, replacing any existing file.
[[nodiscard]] tl::expected<void, FileSystemError> writeFile(const std::filesystem::path& path,
                                                            std::string_view contents);
[[nodiscard]] tl::expected<std::string, FileSystemError> readFile(const std::filesystem::path& path);
// Creates a folder with its missing parents; an existing folder is fine, an existing file is not.
[[nodiscard]] tl::expected<void, FileSystemError> createDirectories(const std::filesystem::path& path);

// True when `candidate`, resolved lexically, lies inside `root` (or is root).
bool isWithin(const std::filesystem::path& root, const std::filesystem::path& candidate);

} // namespace varnholt
