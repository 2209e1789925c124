#include "export/contract/UnavailableExport.h"

#include "platform/Trace.h"

namespace varnholt {

tl::expected<ExportSummary, ErrorPtr> UnavailableExport::run(const ExportRequest& request, ProgressSink& progress,
                                                             std::stop_token)
{
    const std::string name(displayName(request.options.type));
    progress.setStatus(name + " exporter not yet implemented");
    Trace::line("[Varnholt] " + name + " exporter not yet implemented");
    return ExportSummary{};
}

} // namespace varnholt
