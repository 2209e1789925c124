#pragma once

#include "platform/Error.h"

namespace varnholt {

// The failures of the scripted Notes export.
class ExportError : public Error {
public:
    enum class Kind { scriptExecutionFailed, permissionDenied, fileSystemError, scriptCompilationFailed };

    static ExportError scriptExecutionFailed(std::string text)
    {
        return {Kind::scriptExecutionFailed, std::move(text)};
    }
    static ExportError permissionDenied(std::string text) { return {Kind::permissionDenied, std::move(text)}; }
    static ExportError fileSystemError(std::string text) { return {Kind::fileSystemError, std::move(text)}; }
    static ExportError scriptCompilationFailed() { return {Kind::scriptCompilationFailed, {}}; }

    Kind kind() const { return m_kind; }
    const std::string& text() const { return m_text; }

    std::string details() const override;
    std::unique_ptr<Error> clone() const override { return std::make_unique<ExportError>(*this); }

private:
    ExportError(Kind kind, std::string text);
    Kind m_kind;
    std::string m_text;
};

} // namespace varnholt
