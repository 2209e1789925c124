#include "convert/OutputLocks.h"

namespace varnholt {

OutputLocks::Guard::Guard(OutputLocks& locks, std::string path) : m_locks(locks), m_path(std::move(path))
{
    std::unique_lock lock(m_locks.m_mutex);
    m_locks.m_released.wait(lock, [this] { return m_locks.m_held.count(m_path) == 0; });
    m_locks.m_held.insert(m_path);
}

OutputLocks::Guard::~Guard()
{
    {
        std::lock_guard lock(m_locks.m_mutex);
        m_locks.m_held.erase(m_path);
    }
    m_locks.m_released.notify_all();
}

bool OutputLocks::isLocked(const std::string& path) const
{
    std::lock_guard lock(m_mutex);
    return m_held.count(path) > 0;
}

} // namespace varnholt
