#include "support/SmallDisk.h"

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

namespace varnholt::test {

SmallDisk::SmallDisk(std::filesystem::path folder, const std::string& size) : m_folder(std::move(folder))
{
    std::filesystem::create_directories(m_folder);
    m_mounted = ::mount("tmpfs", m_folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    if (!m_mounted)
        m_failure = std::string("cannot mount a small tmpfs here (") + std::strerror(errno) + ")";
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(m_folder.c_str(), MNT_DETACH);
}

} // namespace varnholt::test
