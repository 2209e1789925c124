#pragma once

#include <optional>
#include <string>

namespace varnholt {

// Points the Notes export script at `htmlDestination` (a folder path ending in "/")
// and, with a limit, inserts the counters that let the script stop by itself.
std::string prepareExportScript(const std::string& script, const std::string& htmlDestination,
                                std::optional<long long> limit);

} // namespace varnholt
