#include "model/ExportError.h"

namespace varnholt {

namespace {
std::string describe(ExportError::Kind kind, const std::string& text)
{
    switch (kind) {
    case ExportError::Kind::scriptExecutionFailed:
        return text; // the front ends put "Export failed: " before every failure
    case ExportError::Kind::permissionDenied:
        return text;
    case ExportError::Kind::fileSystemError:
        return "File system error: " + text;
    case ExportError::Kind::scriptCompilationFailed:
        return "Failed to compile export script";
    }
    return text;
}

const char* caseName(ExportError::Kind kind)
{
    switch (kind) {
    case ExportError::Kind::scriptExecutionFailed:
        return "scriptExecutionFailed";
    case ExportError::Kind::permissionDenied:
        return "permissionDenied";
    case ExportError::Kind::fileSystemError:
        return "fileSystemError";
    case ExportError::Kind::scriptCompilationFailed:
        return "scriptCompilationFailed";
    }
    return "unknown";
}
} // namespace

ExportError::ExportError(Kind kind, std::string text)
    : Error(kind == Kind::permissionDenied ? ErrorKind::permission : ErrorKind::inputOutput, describe(kind, text)),
      m_kind(kind), m_text(std::move(text))
{
}

std::string ExportError::details() const
{
    if (m_kind == Kind::scriptCompilationFailed)
        return "ExportError.scriptCompilationFailed";
    return std::string("ExportError.") + caseName(m_kind) + "(\"" + m_text + "\")";
}

} // namespace varnholt
