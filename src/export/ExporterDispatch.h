#pragma once

#include "export/contract/Exporter.h"
#include "model/ExportOptions.h"

#include <memory>

namespace varnholt {

// The exporter for a request's source and method.
std::unique_ptr<Exporter> makeExporter(const ExportOptions& options);

} // namespace varnholt
