#pragma once

#include "convert/ConversionTools.h"

#include <filesystem>
#include <string>

namespace varnholt::test {

// Writes an executable shell script (stand-in for weasyprint or python3).
void writeScript(const std::filesystem::path& path, const std::string& body);

// Tools that find nothing: every attempt fails its existence test.
ConversionTools noTools();

} // namespace varnholt::test
