#include "export/ExportBranches.h"

namespace varnholt {

void runNotesBranch(const ExportContext& context)
{
    runNotImplementedBranch(context);
}

} // namespace varnholt
