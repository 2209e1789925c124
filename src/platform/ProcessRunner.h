#pragma once

#include "platform/ChildProcess.h"
#include "platform/DomainError.h"
#include "platform/ProcessSpec.h"

#include <tl/expected.hpp>

namespace varnholt {

// Starts child processes with posix_spawn: no shell, the environment a copy
// of ours plus additions, descriptors private to the child they belong to.
class ProcessRunner {
public:
    // A failure to start (missing or non-executable file, bad folder) is a
    // DomainError of domain "ProcessRunner" whose code is the errno.
    [[nodiscard]] static tl::expected<ChildProcess, DomainError> launch(const ProcessSpec& spec);
    // Starts and waits.
    [[nodiscard]] static tl::expected<ProcessResult, DomainError> run(const ProcessSpec& spec);
};

} // namespace varnholt
