#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace varnholt {

// Where the outside converters are looked for, with what environment, and
// how long each may run. `standard()` is the real list; tests pass their own.
struct ConversionTools {
    using Environment = std::vector<std::pair<std::string, std::string>>;

    // The application's resource folder; empty when it has none (always on
    // Linux), and then the bundled attempts are skipped rather than run from
    // a path relative to wherever the program was started.
    std::string resourceFolder;
    std::string developerWeasyprint;
    std::string developerPython;
    std::vector<std::string> systemWeasyprints;
    std::vector<std::string> systemPythons;
    std::chrono::milliseconds pdfTimeLimit{std::chrono::minutes(5)};
    std::chrono::milliseconds markdownTimeLimit{std::chrono::minutes(2)};

    static ConversionTools standard();

    std::string bundledPython() const;     // resource folder + "/python-weasyprint/bin/python3"
    std::string bundledWeasyprint() const; // resource folder + "/python-weasyprint/bin/weasyprint"
    Environment bundledEnvironment() const;
    Environment developerEnvironment() const;
};

} // namespace varnholt
