#include "export/ExportBranches.h"

#include "export/notesdb/NotesExporterFastDB.h"
#include "export/notesscript/NotesExporterSimple.h"
#include "export/notesscript/NotesScriptServices.h"

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
    NotesExporterSimple exporter(standardNotesServices(context.sourceHome(), context.stopToken(),
                                                       options.isDryRun ? std::string() : options.outputPath),
                                 context.stopToken());
    exporter.exportTo(options.outputPath, options.isDryRun ? DryRun::yes : DryRun::no, options.formats,
                      options.testModeLimit, context.relay(RelayKind::standard));
}

} // namespace varnholt
