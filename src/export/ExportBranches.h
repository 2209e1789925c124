#pragma once

#include "export/ExportContext.h"

namespace varnholt {

// The source branches of the export body. Each runs on the export thread;
// a normal return leads to the manager's completion, a thrown Error to its
// failure handling.
void runVoiceMemosBranch(const ExportContext& context);
void runMessagesBranch(const ExportContext& context);
void runNotesBranch(const ExportContext& context);
// Sources that have no exporter.
void runNotImplementedBranch(const ExportContext& context);

} // namespace varnholt
