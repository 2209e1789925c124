#pragma once

#include <string>

namespace varnholt {

enum class ProcessEnd { exited, signalled };

// How a child ended. `status` is the exit status, or the number of the signal
// that ended it (15 after terminate), as a termination status reads on macOS.
struct ProcessResult {
    ProcessEnd end = ProcessEnd::exited;
    int status = 0;
    bool timedOut = false; // ended by the time limit
    bool stopped = false;  // ended by a stop request
    std::string standardOutput;
    std::string standardError;

    bool succeeded() const { return end == ProcessEnd::exited && status == 0; }
};

} // namespace varnholt
