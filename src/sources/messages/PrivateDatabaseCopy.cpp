#include "sources/messages/PrivateDatabaseCopy.h"

#include "platform/DatabaseFileCopy.h"

#include <cstdlib>
#include <vector>

namespace varnholt {

namespace fs = std::filesystem;

tl::expected<PrivateDatabaseCopy, FileSystemError> PrivateDatabaseCopy::make(const std::string& database)
{
    std::error_code ec;
    const fs::path temporaryRoot = fs::temp_directory_path(ec);
    if (ec)
        return tl::unexpected(FileSystemError("find the temporary folder for a copy of", database, ec));
    std::string pattern = (temporaryRoot / "varnholt-db-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) // mode 0700: the snapshot is nobody else's to read
        return tl::unexpected(FileSystemError("create a private copy of", database,
                                              std::error_code(errno, std::generic_category())));
    PrivateDatabaseCopy copy;
    copy.m_folder = buffer.data();
    const fs::path target = copy.m_folder / fs::path(database).filename();

    // The app may be writing right now: the copy must be a state the database was really in.
    if (auto copied = copyDatabaseFiles(database, target); !copied)
        return tl::unexpected(copied.error());
    copy.m_path = target.string();
    return copy;
}

PrivateDatabaseCopy::~PrivateDatabaseCopy()
{
    remove();
}

PrivateDatabaseCopy::PrivateDatabaseCopy(PrivateDatabaseCopy&& other) noexcept
    : m_folder(std::move(other.m_folder)), m_path(std::move(other.m_path))
{
    other.m_folder.clear();
    other.m_path.clear();
}

PrivateDatabaseCopy& PrivateDatabaseCopy::operator=(PrivateDatabaseCopy&& other) noexcept
{
    if (this != &other) {
        remove();
        m_folder = std::move(other.m_folder);
        m_path = std::move(other.m_path);
        other.m_folder.clear();
        other.m_path.clear();
    }
    return *this;
}

void PrivateDatabaseCopy::remove()
{
    if (m_folder.empty())
        return;
    std::error_code ec;
    fs::remove_all(m_folder, ec);
    m_folder.clear();
    m_path.clear();
}

} // namespace varnholt
