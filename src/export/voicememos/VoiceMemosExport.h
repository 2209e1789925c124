#pragma once

#include "export/contract/Exporter.h"

namespace varnholt {

// Voice Memos through the exporter contract.
class VoiceMemosExport final : public Exporter {
public:
    tl::expected<ExportSummary, ErrorPtr> run(const ExportRequest& request, ProgressSink& progress,
                                              std::stop_token stop) override;
};

} // namespace varnholt
