#pragma once

#include "platform/FileSystemError.h"

#include <filesystem>
#include <tl/expected.hpp>

namespace varnholt {

// A private name beside an output file for a tool to write to. `commit()`
// renames it into place in one step, so the output is never seen half
// written; otherwise the temporary file is removed when this goes away.
class TemporaryOutput {
public:
    explicit TemporaryOutput(std::filesystem::path finalPath);
    ~TemporaryOutput();
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    const std::filesystem::path& path() const { return m_temporary; }
    // Whether the tool left a file there.
    bool exists() const;
    // Renames the temporary file over the final one.
    [[nodiscard]] tl::expected<void, FileSystemError> commit();

private:
    std::filesystem::path m_final;
    std::filesystem::path m_temporary;
    bool m_committed = false;
};

} // namespace varnholt
