#include "platform/ErrorKind.h"

#include <cerrno>

namespace varnholt {

std::string_view errorKindName(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::notFound:
        return "not found";
    case ErrorKind::permission:
        return "permission";
    case ErrorKind::damaged:
        return "damaged";
    case ErrorKind::inputOutput:
        return "input/output";
    case ErrorKind::diskFull:
        return "disk full";
    case ErrorKind::toolMissing:
        return "tool missing";
    case ErrorKind::cancelled:
        return "cancelled";
    case ErrorKind::badInput:
        return "bad input";
    }
    return "input/output";
}

ErrorKind errorKindOf(std::error_code code)
{
    if (code.category() != std::generic_category() && code.category() != std::system_category())
        return ErrorKind::inputOutput;
    switch (code.value()) {
    case ENOENT:
    case ENOTDIR:
        return ErrorKind::notFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return ErrorKind::permission;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ErrorKind::diskFull;
    case ECANCELED:
        return ErrorKind::cancelled;
    default:
        return ErrorKind::inputOutput;
    }
}

} // namespace varnholt
