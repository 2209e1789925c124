#pragma once

#include "platform/ByteSink.h"

#include <string>

namespace varnholt::test {

// A sink that keeps everything written to it, for writers under test.
class StringSink final : public ByteSink {
public:
    void write(std::string_view piece) override { bytes.append(piece); }

    std::string bytes;
};

} // namespace varnholt::test
