#pragma once

#include <filesystem>
#include <string>

namespace varnholt::test {

// A tmpfs of `size` (as mount takes it: "64k") mounted on a folder, to run a disk full; unmounted
// when it goes away. Mounting needs root and a system that allows it; where it cannot be made,
// mounted() is false and failure() says why.
class SmallDisk {
public:
    SmallDisk(std::filesystem::path folder, const std::string& size);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    const std::string& failure() const { return m_failure; }

private:
    std::filesystem::path m_folder;
    bool m_mounted = false;
    std::string m_failure;
};

} // namespace varnholt::test
