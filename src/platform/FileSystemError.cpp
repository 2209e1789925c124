#include "platform/FileSystemError.h"

#include "platform/DiskSpace.h"

#include <fmt/format.h>

namespace varnholt {

namespace {
std::string describe(const std::string& operation, const std::filesystem::path& path, std::error_code code)
{
    std::string text = fmt::format("Could not {} \u201c{}\u201d: {}", operation, path.string(), code.message());
    // Said where it happens, so every front end shows which disk to free and how much is left.
    if (errorKindOf(code) == ErrorKind::diskFull)
        text += " (" + describeDiskSpace(path) + ")";
    return text;
}
} // namespace

FileSystemError::FileSystemError(std::string operation, std::filesystem::path path, std::error_code code)
    : Error(errorKindOf(code), describe(operation, path, code)), m_path(std::move(path)), m_code(code)
{
}

std::string FileSystemError::details() const
{
    return fmt::format("{} (errno {}, {})", description(), m_code.value(), m_code.category().name());
}

} // namespace varnholt
