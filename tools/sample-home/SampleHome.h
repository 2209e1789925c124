#pragma once

#include <filesystem>

namespace varnholt::sample {

// How much data a sample home holds: small for the demo and tests, large for benchmarks.
enum class Scale { small, large };

struct SampleOptions {
    Scale scale = Scale::small;
    unsigned seed = 1;
};

// Writes a realistic Mac home folder (the parts of ~/Library that Varnholt reads) below `home`.
void buildSampleHome(const std::filesystem::path& home, const SampleOptions& options = {});

} // namespace varnholt::sample
