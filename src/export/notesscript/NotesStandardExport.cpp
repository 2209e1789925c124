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
        // A dry run writes nothing, so it has no folder where the store could be copied.
        NotesExporterSimple exporter(standardNotesServices(request.source, stop,
                                                           options.isDryRun ? std::string() : options.outputPath,
                                                           options.passwordFile),
                                     stop);
        exporter.exportTo(options.outputPath, request.dryRun(), options.formats, options.testModeLimit,
                          progress.relay(ProgressSink::kStandardTrace));
        return ExportSummary{};
    });
}

} // namespace varnholt
