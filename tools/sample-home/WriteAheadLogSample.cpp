#include "sample-home/WriteAheadLogSample.h"

namespace varnholt::sample {

namespace fs = std::filesystem;

void closeKeepingWriteAheadLog(Database& db, const fs::path& path)
{
    const fs::path work = path.parent_path() / (".keep-" + path.filename().string());
    fs::remove_all(work);
    fs::create_directories(work);
    const char* suffixes[] = {"", "-wal", "-shm"};
    for (const char* suffix : suffixes)
        if (fs::exists(path.string() + suffix))
            fs::copy_file(path.string() + suffix, work / (path.filename().string() + suffix));
    db.close();
    for (const char* suffix : suffixes) {
        fs::remove(path.string() + suffix);
        if (fs::exists(work / (path.filename().string() + suffix)))
            fs::rename(work / (path.filename().string() + suffix), path.string() + suffix);
    }
    fs::remove_all(work);
}

} // namespace varnholt::sample
