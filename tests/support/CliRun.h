#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace varnholt::test {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
    std::vector<std::string> trace;
};

// Runs `varnholt args...` in this process, capturing its streams and trace lines. With
// `askPassword`, a user is at the terminal and answers the password prompts so.
CliRun runCli(std::vector<std::string> args,
              std::function<std::optional<std::string>(const std::string& prompt)> askPassword = {});

} // namespace varnholt::test
