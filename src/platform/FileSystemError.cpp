#include "platform/FileSystemError.h"

#include <fmt/format.h>

namespace varnholt {

namespace {
std::string describe(const std::string& operation, const std::filesystem::path& path, std::error_code code)
{
    return fmt::format("Could not {} \u201c{}\u201d: {}", operation, path.string(), code.message());
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
