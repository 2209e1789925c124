#pragma once

#include "platform/Error.h"

#include <tl/expected.hpp>

namespace varnholt {

// Which end of a conversion failed. An input that cannot be read or converted costs only its own
// output (logged); an output that cannot be written (a full disk) ends the conversion run, since
// every later file would be lost the same way.
enum class ConversionSide { input, output };

struct ConversionFailure {
    ConversionSide side;
    ErrorPtr error;
};

// The outcome of a conversion run over many files: the first output that could not be written.
using ConversionOutcome = tl::expected<void, ErrorPtr>;

} // namespace varnholt
