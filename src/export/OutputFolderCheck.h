#pragma once

#include "sources/Source.h"

#include <optional>
#include <string>

namespace varnholt {

// Why the output folder cannot be used with this source, or nothing when it can. An output inside
// the source (after following links, on either side) would write into the data being read.
std::optional<std::string> outputFolderProblem(const Source& source, const std::string& outputFolder);

} // namespace varnholt
