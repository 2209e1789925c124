#pragma once

#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace varnholt {

// What opening an encrypted source needs: the passwords to try in turn, where the progress of the
// key derivation (seconds of work) is reported, from 0 to 1, and a stop for it.
struct SourceUnlock {
    std::vector<std::string> passwords;
    std::function<void(double)> progress;
    std::stop_token stop;
};

} // namespace varnholt
