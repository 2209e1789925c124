#include "export/ExportBranches.h"

#include "platform/Trace.h"

namespace varnholt {

void runNotImplementedBranch(const ExportContext& context)
{
    const std::string name(displayName(context.options().type));
    context.setStatus(name + " exporter not yet implemented");
    Trace::line("[Varnholt] " + name + " exporter not yet implemented");
}

} // namespace varnholt
