#pragma once

#include "model/ExporterType.h"
#include "sources/Source.h"

#include <optional>
#include <string>
#include <vector>

namespace varnholt {

// Where a source keeps the data of each exporter, in the order the exporter looks. Empty for
// sources without an exporter.
std::vector<std::string> sourceDataLocations(ExporterType type, const Source& source);
// The same for a Mac home folder.
std::vector<std::string> sourceDataLocations(ExporterType type, const std::string& sourceHome);
// The first of those locations that exists, as the source names it.
std::optional<std::string> findSourceData(ExporterType type, const Source& source);
std::optional<std::string> findSourceData(ExporterType type, const std::string& sourceHome);

} // namespace varnholt
