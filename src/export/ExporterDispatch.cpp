#include "export/ExporterDispatch.h"

#include "export/contract/UnavailableExport.h"
#include "export/messages/MessagesExport.h"
#include "export/notesdb/NotesFastExport.h"
#include "export/notesstandard/NotesStandardExport.h"
#include "export/voicememos/VoiceMemosExport.h"

namespace varnholt {

std::unique_ptr<Exporter> makeExporter(const ExportOptions& options)
{
    switch (options.type) {
    case ExporterType::voiceMemos:
        return std::make_unique<VoiceMemosExport>();
    case ExporterType::messages:
        return std::make_unique<MessagesExport>();
    case ExporterType::notes:
        if (options.useFastMode)
            return std::make_unique<NotesFastExport>();
        return std::make_unique<NotesStandardExport>();
    default:
        return std::make_unique<UnavailableExport>();
    }
}

} // namespace varnholt
