#pragma once

#include <optional>
#include <string>

namespace varnholt::cli {

// Asks on the terminal (standard error for the prompt, standard input for the answer) with the
// echo off, and restores the terminal on every way out. Nothing when standard input is no
// terminal or the answer cannot be read.
std::optional<std::string> askPasswordOnTerminal(const std::string& prompt);

} // namespace varnholt::cli
