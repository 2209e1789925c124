#pragma once

#include "platform/FileSystemError.h"

#include <filesystem>
#include <functional>

#include <tl/expected.hpp>

namespace varnholt {

// Copies a SQLite database that its app may be writing at this moment (WAL mode): the main
// file, then its -wal, into `target` and `target`-wal. The copy is one the database really
// was in: when the app checkpointed and began its log anew between the two files (the main
// file copied before the checkpoint, the log after its restart, so the rows in between would
// be in neither), the copy is taken again. The -shm is left out; SQLite rebuilds it from the log.
// The bytes go through copy_file_range: the kernel moves them without a trip through this process
// (and shares the extents where the file system can). Target files are created 0600.
//
// `afterMainFile` runs between the two files (tests use it to act as the app at the worst moment).
[[nodiscard]] tl::expected<void, FileSystemError> copyDatabaseFiles(const std::filesystem::path& source,
                                                                    const std::filesystem::path& target,
                                                                    const std::function<void()>& afterMainFile = {});

} // namespace varnholt
