#pragma once

#include <functional>
#include <string>

namespace varnholt {

// How an exporter reports progress: a fraction from 0.0 to 1.0 and a status text.
// Calls arrive in order; the handler must not block for long.
using ProgressHandler = std::function<void(double fraction, const std::string& message)>;

} // namespace varnholt
