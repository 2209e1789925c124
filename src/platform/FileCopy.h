#pragma once

#include "platform/FileSystemError.h"

#include <filesystem>
#include <tl/expected.hpp>

namespace varnholt {

// Which end of a copy failed. A source that cannot be read is the source's problem (the item is
// skipped and reported); an output that cannot be written ends the export.
enum class CopySide { source, output };

struct CopyFailure {
    CopySide side;
    FileSystemError error;
};

// Copies a regular file's bytes to `destination` through a temporary file beside it, renamed into
// place only when whole, so a failed copy (a full disk, say) leaves nothing under the final name.
// An existing file or link at `destination` is replaced, never written through. The source is
// only read; the copy keeps its modification date.
[[nodiscard]] tl::expected<void, CopyFailure> copyFileAtomically(const std::filesystem::path& source,
                                                                 const std::filesystem::path& destination);

// Copies the regular files below the folder `source` into `destination` (made when missing), each
// through copyFileAtomically. Links are not followed. Stops at the first failure.
[[nodiscard]] tl::expected<void, CopyFailure> copyTreeAtomically(const std::filesystem::path& source,
                                                                 const std::filesystem::path& destination);

} // namespace varnholt
