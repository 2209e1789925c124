#pragma once

#include <optional>
#include <string>

namespace varnholt {

// What an exporter that did not fail hands back to the manager.
struct ExportSummary {
    // The exporter's last status ("Dry run complete: …", "Export complete: …"), when it reports
    // its status through the summary rather than through progress.
    std::optional<std::string> finalStatus;
    // What the export's filters left out, added to the summary the user sees.
    std::optional<std::string> leftOut;
};

} // namespace varnholt
