#include "export/ExportBranches.h"

namespace varnholt {

void runMessagesBranch(const ExportContext& context)
{
    runNotImplementedBranch(context);
}

} // namespace varnholt
