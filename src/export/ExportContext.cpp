#include "export/ExportContext.h"

#include "platform/HomeFolders.h"
#include "platform/Percent.h"
#include "platform/Trace.h"

#include <fmt/format.h>

namespace varnholt {

ExportContext::ExportContext(ExportOptions options, std::stop_token stop, StatusSetter setStatus,
                             ProgressSetter setProgress)
    : m_options(std::move(options)),
      m_sourceHome(m_options.sourceHome.empty() ? currentUserHome() : m_options.sourceHome),
      m_stop(std::move(stop)),
      m_setStatus(std::move(setStatus)),
      m_setProgress(std::move(setProgress))
{
}

ProgressHandler ExportContext::relay(RelayKind kind) const
{
    const char* prefix = "[Varnholt] Progress: ";
    if (kind == RelayKind::fast)
        prefix = "[Varnholt] Fast mode progress: ";
    else if (kind == RelayKind::voiceMemos)
        prefix = "[Varnholt] Voice Memos progress: ";
    // The trace line is written here, on the export thread, so that it keeps its place among the
    // exporter's own lines; the fields follow on the main queue.
    return [prefix, setStatus = m_setStatus, setProgress = m_setProgress](double fraction, const std::string& message) {
        Trace::line(fmt::format("{}{}% - {}", prefix, percentOf(fraction), message));
        setProgress(fraction);
        setStatus(message);
    };
}

} // namespace varnholt
