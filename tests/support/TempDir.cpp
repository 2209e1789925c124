#include "support/TempDir.h"

#include <cstdlib>
#include <stdexcept>
#include <sys/stat.h>

namespace varnholt::test {

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "varnholt-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
    // Tests that drop privileges must be able to enter it.
    chmod(m_path.c_str(), 0755);
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Restore write permission on anything a test locked, so removal succeeds.
    for (auto it = fs::recursive_directory_iterator(m_path, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(m_path, ec);
}

} // namespace varnholt::test
