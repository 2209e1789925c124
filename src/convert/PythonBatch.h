#pragma once

#include "convert/ConversionTools.h"
#include "platform/DomainError.h"
#include "platform/ProcessResult.h"

#include <chrono>
#include <filesystem>
#include <stop_token>
#include <string>
#include <tl/expected.hpp>
#include <utility>
#include <vector>

namespace varnholt {

// One Python process for many files: the script runs with "-c" and the path of a list of
// (source, target) paths, NUL-separated so that any bytes a path holds pass unchanged. Starting
// Python and importing a converter costs far more than converting one note; this pays it once.
struct PythonBatch {
    std::string python;
    ConversionTools::Environment environment;
    std::string script;
    // Each file may take this long; the whole run, this times the number of files.
    std::chrono::milliseconds timeLimitPerFile{std::chrono::minutes(2)};

    // The list is written beside `listBeside` under a private name and removed afterwards.
    [[nodiscard]] tl::expected<ProcessResult, DomainError>
    run(const std::vector<std::pair<std::string, std::string>>& files, const std::filesystem::path& listBeside,
        std::stop_token stop) const;

    // A run that was stopped or crashed may leave a target's ".part" file, which the scripts write
    // before renaming it to the target; these go.
    static void removeLeftovers(const std::vector<std::pair<std::string, std::string>>& files);

    // The script lines that read that list into `jobs`, a list of (source, target) strings.
    static const char* readJobsScript();
};

} // namespace varnholt
