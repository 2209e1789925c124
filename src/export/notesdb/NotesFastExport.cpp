#include "export/notesdb/NotesFastExport.h"

#include "export/contract/CaughtErrors.h"
#include "export/notesdb/NotesExporterFastDB.h"
#include "platform/PasswordFile.h"

namespace varnholt {

tl::expected<ExportSummary, ErrorPtr> NotesFastExport::run(const ExportRequest& request, ProgressSink& progress,
                                                           std::stop_token stop)
{
    return catchingErrors([&] {
        // The fast method takes neither the dry-run flag nor the test limit.
        NotesExporterFastDB exporter(progress.relay(ProgressSink::kFastTrace), request.source, stop);
        if (!request.options.passwordFile.empty()) {
            auto passwords = readPasswordFile(request.options.passwordFile);
            if (!passwords)
                throw passwords.error();
            exporter.setPasswords(std::move(*passwords));
        }
        exporter.exportTo(request.options.outputPath, request.options.formats);
        return ExportSummary{};
    });
}

} // namespace varnholt
