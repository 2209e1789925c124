#pragma once

#include "platform/Files.h"

#include <chrono>
#include <functional>
#include <string>

namespace varnholt {

// What the window reads from the machine, gathered so tests can hand in their own.
struct WindowEnvironment {
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // The Mac home folder whose Library is read ("Source folder" in the window).
    std::string sourceHome;
    // Where default output folders are proposed.
    std::string userHome;
    Clock now = [] { return std::chrono::system_clock::now(); };
    ReadabilityProbe isReadable = defaultReadabilityProbe();
};

} // namespace varnholt
