#pragma once

#include "model/ExporterType.h"
#include "sources/Source.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace varnholt {

// Where a source keeps the data of each exporter, in the order the exporter looks. Empty for
// sources without an exporter.
std::vector<std::string> sourceDataLocations(ExporterType type, const Source& source);
// The first of those locations that exists, as the source names it.
std::optional<std::string> findSourceData(ExporterType type, const Source& source);
// Every exporter's locations, as the source names them: the stores of a description.
std::map<ExporterType, std::vector<std::string>> describeStores(const Source& source);

} // namespace varnholt
