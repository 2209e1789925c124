#pragma once

#include "model/ExporterType.h"

#include <chrono>
#include <string>

namespace varnholt {

// home + "/" + folder name, the folder named after the source and the local
// time as yyyyMMdd_HHmmss (notes_export_20250131_142503). Nothing is created.
std::string defaultOutputPath(ExporterType type, std::chrono::system_clock::time_point now,
                              const std::string& userHome);
std::string defaultOutputFolderName(ExporterType type, std::chrono::system_clock::time_point now);

} // namespace varnholt
