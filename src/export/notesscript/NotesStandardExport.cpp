#include "export/notesscript/NotesStandardExport.h"

#include "export/contract/CaughtErrors.h"
#include "export/notesscript/NotesExporterSimple.h"
#include "export/notesscript/NotesScriptServices.h"

namespace varnholt {

tl::expected<ExportSummary, ErrorPtr> NotesStandardExport::run(const ExportRequest& request, ProgressSink& progress,
                                                               std::stop_token stop)
{
    return catchingErrors([&] {
        const ExportOptions& options = request.options;
        NotesExporterSimple exporter(standardNotesServices(request.source, stop), stop);
        exporter.exportTo(options.outputPath, request.dryRun(), options.formats, options.testModeLimit,
                          progress.relay(ProgressSink::kStandardTrace));
        return ExportSummary{};
    });
}

} // namespace varnholt
