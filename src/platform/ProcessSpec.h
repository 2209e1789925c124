#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

namespace varnholt {

// Where a child's standard input comes from.
enum class ProcessInput { nullDevice, inherit };
// What becomes of a child's standard output and error.
enum class ProcessOutput { capture, discard, inherit };
// Whether the child leads a process group of its own. Signals then reach the
// whole group, so a helper the child started (pip below python) stops with it.
enum class ProcessGroup { own, inherit };

// Everything needed to start one child process. No shell is involved: the
// executable is started directly and each argument reaches it as it is.
struct ProcessSpec {
    std::string executable;
    std::vector<std::string> arguments; // argv[1...]; argv[0] is the executable
    // Set on top of a copy of this process's environment; a name given here replaces the inherited value.
    std::vector<std::pair<std::string, std::string>> environment;
    std::string workingDirectory; // empty: this process's
    ProcessInput input = ProcessInput::nullDevice;
    ProcessOutput output = ProcessOutput::capture;
    ProcessGroup group = ProcessGroup::own;
    // After this long the child is terminated (and killed if it ignores that), so nothing hangs.
    std::optional<std::chrono::milliseconds> timeLimit;
    // A stop request terminates the child the same way.
    std::stop_token stopToken;
    // How long a terminated child may take to exit before it is killed.
    std::chrono::milliseconds killGrace{2000};
    // Bytes kept of each captured stream; the rest is read and dropped so the child never blocks.
    std::size_t captureLimit = 1024 * 1024;
};

} // namespace varnholt
