#pragma once

#include <string_view>
#include <system_error>

namespace varnholt {

// What went wrong, in the terms a user can act on. Front ends choose their advice by kind (point
// at another source, free disk space, install a tool), never by comparing texts.
enum class ErrorKind {
    notFound,    // the source or a store in it is missing
    permission,  // the source or the output cannot be read or written by this user
    damaged,     // a store exists but is not what it should be
    inputOutput, // reading or writing failed for another reason
    diskFull,    // no space left where the output goes
    toolMissing, // an external program the step needs is not installed
    cancelled,   // the user stopped the export
    badInput,    // an option or file the user gave is not usable
};

std::string_view errorKindName(ErrorKind kind);

// The kind of a failed system call's error code.
ErrorKind errorKindOf(std::error_code code);

} // namespace varnholt
