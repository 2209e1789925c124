#include "export/voicememos/VoiceMemosExport.h"

#include "export/contract/CaughtErrors.h"
#include "export/voicememos/VoiceMemosExporter.h"

namespace varnholt {

tl::expected<ExportSummary, ErrorPtr> VoiceMemosExport::run(const ExportRequest& request, ProgressSink& progress,
                                                            std::stop_token stop)
{
    return catchingErrors([&] {
        VoiceMemosExporter exporter(progress.relay(ProgressSink::kVoiceMemosTrace), request.source, stop);
        if (request.options.nameRecordingsByTitle)
            exporter.setNaming(VoiceMemosExporter::Naming::byTitle);
        exporter.exportTo(request.options.outputPath, request.dryRun());
        return ExportSummary{};
    });
}

} // namespace varnholt
