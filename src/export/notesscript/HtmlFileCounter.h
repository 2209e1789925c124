#pragma once

#include <string>

namespace varnholt {

// Counts the files below `folder` (at any depth) whose names end in ".html".
// A folder that cannot be walked counts 0.
long long countHTMLFiles(const std::string& folder);

} // namespace varnholt
