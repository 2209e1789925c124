#include "export/ExportBranches.h"

#include "exporters/notesdb/NotesExporterFastDB.h"
#include "platform/DomainError.h"

namespace varnholt {

void runNotesBranch(const ExportContext& context)
{
    const ExportOptions& options = context.options();
    if (options.useFastMode) {
        // The fast method takes neither the dry-run flag nor the test limit.
        NotesExporterFastDB exporter(context.relay(RelayKind::fast), context.sourceHome(), context.stopToken());
        exporter.exportTo(options.outputPath, options.formats);
        return;
    }
    throw DomainError("NotesExporter", 100,
                      "The standard Notes export method is not available yet. Use the fast method instead "
                      "(turn on the fast method, or run: varnholt notes --fast).");
}

} // namespace varnholt
