#pragma once

#include <filesystem>
#include <string>

namespace varnholt::test {

// A fresh folder for one test, removed with everything in it afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    std::string str() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

} // namespace varnholt::test
