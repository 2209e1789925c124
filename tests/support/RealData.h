#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace varnholt::test {

// The folder of real Apple files published by others, if this checkout has it.
std::optional<std::filesystem::path> realDataDir();

// Copies a database with its -wal and -shm into `folder` (never open the originals:
// SQLite may write beside a WAL database even when reading). Returns the copy's path.
std::filesystem::path copyDatabase(const std::filesystem::path& database, const std::filesystem::path& folder);

} // namespace varnholt::test

// Skips the current test when the real data folder is absent.
#define VARNHOLT_REQUIRE_REALDATA(var)                                                                                 \
    auto var##_opt = ::varnholt::test::realDataDir();                                                                  \
    if (!var##_opt)                                                                                                    \
        GTEST_SKIP() << "real data folder " VARNHOLT_REALDATA_DIR " is absent";                                        \
    const std::filesystem::path var = *var##_opt
