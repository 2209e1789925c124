#include "export/notesstandard/ExportProgressText.h"

#include <fmt/format.h>

namespace varnholt {

std::string ExportProgressText::estimate(long long count, long long notesToExport, double elapsedSeconds)
{
    const double rate = static_cast<double>(count) / elapsedSeconds;
    const double remaining = static_cast<double>(notesToExport - count) / rate;
    if (remaining < 60)
        return fmt::format("~{:.0f} seconds remaining", remaining);
    if (remaining < 3600)
        return fmt::format("~{:.0f} minutes remaining", remaining / 60);
    return fmt::format("~{:.1f} hours remaining", remaining / 3600);
}

std::string ExportProgressText::next(long long count, double elapsedSeconds)
{
    std::string estimateText;
    if (count > m_lastCount && count > 0)
        estimateText = estimate(count, m_notesToExport, elapsedSeconds);
    else if (count == 0 && elapsedSeconds > 2.0)
        estimateText = "Preparing export...";
    m_lastCount = count;

    std::string status = "Exporting notes... (" + std::to_string(count) + "/" + std::to_string(m_notesToExport);
    return estimateText.empty() ? status + ")" : status + ") \u2022 " + estimateText;
}

} // namespace varnholt
