#pragma once

// The folder a benchmark works in: the one named on its command line (kept), or a new one under the
// system's temporary folder, removed when the benchmark ends.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace bench {

class WorkFolder {
public:
    WorkFolder(int argc, char** argv, const std::string& name)
    {
        if (argc > 1) {
            m_path = argv[1];
            return;
        }
        std::string pattern =
            (std::filesystem::temp_directory_path() / ("varnholt-bench-" + name + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data())) {
            m_path = pattern;
            m_remove = true;
        }
    }
    ~WorkFolder()
    {
        std::error_code ec;
        if (m_remove)
            std::filesystem::remove_all(m_path, ec);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    // Empty when no folder could be made.
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    bool m_remove = false;
};

} // namespace bench
