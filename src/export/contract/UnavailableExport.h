#pragma once

#include "export/contract/Exporter.h"

namespace varnholt {

// Sources listed in the catalogue that have no exporter yet: the export ends at once and says so.
class UnavailableExport final : public Exporter {
public:
    tl::expected<ExportSummary, ErrorPtr> run(const ExportRequest& request, ProgressSink& progress,
                                              std::stop_token stop) override;
};

} // namespace varnholt
