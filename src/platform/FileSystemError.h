#pragma once

#include "platform/Error.h"

#include <filesystem>
#include <system_error>

namespace varnholt {

// A failed file operation: says what was attempted, on which path, and why.
class FileSystemError : public Error {
public:
    FileSystemError(std::string operation, std::filesystem::path path, std::error_code code);

    const std::filesystem::path& path() const { return m_path; }
    std::error_code code() const { return m_code; }

    std::string details() const override;
    std::unique_ptr<Error> clone() const override { return std::make_unique<FileSystemError>(*this); }

private:
    std::filesystem::path m_path;
    std::error_code m_code;
};

} // namespace varnholt
