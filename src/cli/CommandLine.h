#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace varnholt::cli {

// Where the command line writes. Trace lines go through the core's trace sink
// (standard output by default); `out` holds the command line's own results,
// `err` errors and, when it is a terminal, the progress bar.
struct Streams {
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;
    // Asks for a password without showing it; unset when nobody is at a terminal to answer.
    std::function<std::optional<std::string>(const std::string& prompt)> askPassword = {};
};

enum ExitCode : int { success = 0, exportFailed = 1, badUsage = 2 };

// Runs `varnholt` with the given arguments (args[0] is the program name) and returns the exit status.
int run(const std::vector<std::string>& args, Streams streams);

} // namespace varnholt::cli
