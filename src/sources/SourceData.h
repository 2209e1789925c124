#pragma once

#include "model/ExporterType.h"

#include <optional>
#include <string>
#include <vector>

namespace varnholt {

// Where each source keeps its data under a Mac home folder, in the order the
// exporter looks. Empty for sources without an exporter.
std::vector<std::string> sourceDataLocations(ExporterType type, const std::string& sourceHome);
// The first of those locations that exists.
std::optional<std::string> findSourceData(ExporterType type, const std::string& sourceHome);

} // namespace varnholt
