#pragma once

#include "model/DryRun.h"
#include "model/ExportOptions.h"
#include "sources/Source.h"

namespace varnholt {

// One export as an exporter sees it: the user's options and the source they point at.
struct ExportRequest {
    ExportOptions options;
    SourcePtr source;

    DryRun dryRun() const { return options.isDryRun ? DryRun::yes : DryRun::no; }
};

} // namespace varnholt
