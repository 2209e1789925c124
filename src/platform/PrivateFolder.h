#pragma once

#include "platform/FileSystemError.h"

#include <filesystem>

#include <tl/expected.hpp>

namespace varnholt {

// A folder only this user can enter (0700, made by mkdtemp), removed with everything in it when the
// object goes, on every way out of the scope that holds it. Move-only.
class PrivateFolder {
public:
    // Creates "<parent>/<prefix>XXXXXX"; `parent` must exist.
    [[nodiscard]] static tl::expected<PrivateFolder, FileSystemError> create(const std::filesystem::path& parent,
                                                                             const std::string& prefix);

    PrivateFolder() = default;
    ~PrivateFolder();
    PrivateFolder(PrivateFolder&& other) noexcept;
    PrivateFolder& operator=(PrivateFolder&& other) noexcept;
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    void remove();
    std::filesystem::path m_path;
};

} // namespace varnholt
