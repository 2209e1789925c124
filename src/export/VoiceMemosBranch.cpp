#include "export/ExportBranches.h"

#include "export/voicememos/VoiceMemosExporter.h"

namespace varnholt {

void runVoiceMemosBranch(const ExportContext& context)
{
    VoiceMemosExporter exporter(context.relay(RelayKind::voiceMemos), context.sourceHome(), context.stopToken());
    exporter.exportTo(context.options().outputPath, context.options().isDryRun ? DryRun::yes : DryRun::no);
}

} // namespace varnholt
