#pragma once

#include <condition_variable>
#include <mutex>
#include <set>
#include <string>

namespace varnholt {

// Keeps two conversions from writing the same output file at once: each
// holds the path's lock while it runs, and a second one for the same path
// waits its turn.
class OutputLocks {
public:
    class Guard {
    public:
        Guard(OutputLocks& locks, std::string path);
        ~Guard();
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        OutputLocks& m_locks;
        std::string m_path;
    };

    [[nodiscard]] Guard lock(const std::string& path) { return Guard(*this, path); }
    bool isLocked(const std::string& path) const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    std::set<std::string> m_held;
};

} // namespace varnholt
