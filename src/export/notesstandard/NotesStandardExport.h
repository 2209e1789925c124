#pragma once

#include "export/contract/Exporter.h"

namespace varnholt {

// The standard Notes method (one page per note, then the conversions) through the exporter contract.
class NotesStandardExport final : public Exporter {
public:
    tl::expected<ExportSummary, ErrorPtr> run(const ExportRequest& request, ProgressSink& progress,
                                              std::stop_token stop) override;
};

} // namespace varnholt
