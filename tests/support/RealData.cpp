#include "support/RealData.h"

#include <sys/stat.h>

namespace varnholt::test {

namespace fs = std::filesystem;

std::optional<fs::path> realDataDir()
{
    std::error_code ec;
    const fs::path dir = VARNHOLT_REALDATA_DIR;
    if (fs::is_directory(dir, ec))
        return fs::canonical(dir, ec);
    return std::nullopt;
}

fs::path copyDatabase(const fs::path& database, const fs::path& folder)
{
    fs::create_directories(folder);
    const fs::path target = folder / database.filename();
    for (const char* suffix : {"", "-wal", "-shm"}) {
        fs::path source = database;
        source += suffix;
        if (!fs::exists(source))
            continue;
        fs::path copy = target;
        copy += suffix;
        fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
        fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    }
    return target;
}

} // namespace varnholt::test
