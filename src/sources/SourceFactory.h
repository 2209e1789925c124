#pragma once

#include "sources/Source.h"

#include <string>

namespace varnholt {

// The source a folder the user chose holds. Today every folder is read as a Mac home folder.
SourcePtr openSource(const std::string& folder);

} // namespace varnholt
