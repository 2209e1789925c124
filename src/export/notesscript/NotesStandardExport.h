#pragma once

#include "export/contract/Exporter.h"

namespace varnholt {

// The standard Notes method (the export script, then the conversions) through the exporter contract.
class NotesStandardExport final : public Exporter {
public:
    tl::expected<ExportSummary, ErrorPtr> run(const ExportRequest& request, ProgressSink& progress,
                                              std::stop_token stop) override;
};

} // namespace varnholt
