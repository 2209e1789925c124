#include "platform/PrivateFolder.h"

#include <cerrno>
#include <cstdlib>
#include <utility>
#include <vector>

namespace varnholt {

namespace fs = std::filesystem;

tl::expected<PrivateFolder, FileSystemError> PrivateFolder::create(const fs::path& parent, const std::string& prefix)
{
    const std::string pattern = (parent / (prefix + "XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr)
        return tl::unexpected(
            FileSystemError("create a private folder in", parent, std::error_code(errno, std::generic_category())));
    PrivateFolder folder;
    folder.m_path = name.data();
    return folder;
}

PrivateFolder::~PrivateFolder()
{
    remove();
}

PrivateFolder::PrivateFolder(PrivateFolder&& other) noexcept : m_path(std::exchange(other.m_path, {})) {}

PrivateFolder& PrivateFolder::operator=(PrivateFolder&& other) noexcept
{
    if (this != &other) {
        remove();
        m_path = std::exchange(other.m_path, {});
    }
    return *this;
}

void PrivateFolder::remove()
{
    if (m_path.empty())
        return;
    std::error_code ec;
    fs::remove_all(m_path, ec);
    m_path.clear();
}

} // namespace varnholt
