#pragma once

#include "platform/Database.h"

#include <filesystem>

namespace varnholt::sample {

// Closes a WAL-mode fixture database but leaves it as a running app leaves it: the
// main file, a -wal holding the changes since the last checkpoint, and the -shm.
// (Closing normally would fold the log into the main file and delete it.)
// Every statement of `db` must be finalised before the call.
void closeKeepingWriteAheadLog(Database& db, const std::filesystem::path& path);

} // namespace varnholt::sample
