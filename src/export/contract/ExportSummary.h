#pragma once

#include <optional>
#include <string>

namespace varnholt {

// What an exporter that did not fail hands back to the manager.
struct ExportSummary {
    // The exporter's last status ("Dry run complete: …", "Export complete: …"), when it reports
    // its status through the summary rather than through progress.
    std::optional<std::string> finalStatus;
};

} // namespace varnholt
