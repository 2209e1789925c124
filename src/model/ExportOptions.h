#pragma once

#include "model/ExportFormat.h"
#include "model/ExporterType.h"
#include "model/messages/MessagesFilter.h"

#include <optional>
#include <string>
#include <vector>

namespace varnholt {

// One export request: what to export, where to, and how.
struct ExportOptions {
    ExporterType type = ExporterType::notes;
    std::string outputPath;
    bool isDryRun = false;
    ExportFormatSet formats;
    std::optional<long long> testModeLimit;
    bool useFastMode = false;
    bool resolveContactNames = false;
    // Messages only: the dates and conversations to keep (everything when empty).
    MessagesFilter messagesFilter;

    // Linux stand-ins: the Mac home folder whose Library is read, and extra
    // address cards (.vcf) for contact names. An empty source home means the user's home.
    std::string sourceHome;
    std::vector<std::string> vcardFiles;
};

} // namespace varnholt
