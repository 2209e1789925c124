#pragma once

#include "export/contract/Exporter.h"

namespace varnholt {

// The fast Notes method (reading the store directly) through the exporter contract.
class NotesFastExport final : public Exporter {
public:
    tl::expected<ExportSummary, ErrorPtr> run(const ExportRequest& request, ProgressSink& progress,
                                              std::stop_token stop) override;
};

} // namespace varnholt
