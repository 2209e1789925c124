#include "export/contract/ProgressSink.h"

#include "platform/Percent.h"
#include "platform/Trace.h"

#include <fmt/format.h>

namespace varnholt {

ProgressHandler ProgressSink::relay(std::string_view tracePrefix)
{
    return [this, prefix = std::string(tracePrefix)](double fraction, const std::string& message) {
        Trace::line(fmt::format("{}{}% - {}", prefix, percentOf(fraction), message));
        setFraction(fraction);
        setStatus(message);
    };
}

} // namespace varnholt
