#pragma once

#include <string_view>

namespace varnholt {

// Where a writer puts its output, piece by piece: a file being written, or memory in tests.
// A sink that fails keeps its failure for whoever owns it; writers never see it.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(std::string_view bytes) = 0;
};

} // namespace varnholt
