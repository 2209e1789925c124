#pragma once

#include "platform/ProgressHandler.h"

#include <string>
#include <string_view>

namespace varnholt {

// Where an exporter reports how far it is. Calls come from the export thread, in order.
class ProgressSink {
public:
    static constexpr std::string_view kStandardTrace = "[Varnholt] Progress: ";
    static constexpr std::string_view kFastTrace = "[Varnholt] Fast mode progress: ";
    static constexpr std::string_view kVoiceMemosTrace = "[Varnholt] Voice Memos progress: ";

    virtual ~ProgressSink() = default;
    virtual void setStatus(std::string text) = 0;
    virtual void setFraction(double fraction) = 0;

    // A handler that writes "<tracePrefix>NN% - text" to the trace, then sets fraction and status.
    // The trace line is written on the export thread so it keeps its place among the exporter's own.
    ProgressHandler relay(std::string_view tracePrefix);
};

} // namespace varnholt
