#include "export/notesdb/NotesFastExport.h"

#include "export/contract/CaughtErrors.h"
#include "export/contract/ExportPasswords.h"
#include "export/notesdb/NotesExporterFastDB.h"

namespace varnholt {

tl::expected<ExportSummary, ErrorPtr> NotesFastExport::run(const ExportRequest& request, ProgressSink& progress,
                                                           std::stop_token stop)
{
    return catchingErrors([&] {
        // The fast method takes no test limit.
        NotesExporterFastDB exporter(progress.relay(ProgressSink::kFastTrace), request.source, stop);
        if (auto passwords = exportPasswords(request.options); !passwords.empty())
            exporter.setPasswords(std::move(passwords));
        exporter.exportTo(request.options.outputPath, request.options.formats, request.dryRun());
        return ExportSummary{};
    });
}

} // namespace varnholt
