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
    // The user's own installs, tried before the system's and run in the environment Varnholt was
    // started in: the Python environment the user activated, then ~/.local/bin (pip --user, pipx).
    std::vector<std::string> userWeasyprints;
    std::vector<std::string> userPythons;
    std::vector<std::string> systemWeasyprints;
    std::vector<std::string> systemPythons;
    std::chrono::milliseconds pdfTimeLimit{std::chrono::minutes(5)};
    std::chrono::milliseconds markdownTimeLimit{std::chrono::minutes(2)};

    // The lists for this user: their home and the environment named by VIRTUAL_ENV.
    static ConversionTools standard();
    // The lists for a user with this home and this activated Python environment (empty: none).
    static ConversionTools forUser(const std::string& home, const std::string& virtualEnvironment);

    std::string bundledPython() const;     // resource folder + "/python-weasyprint/bin/python3"
    std::string bundledWeasyprint() const; // resource folder + "/python-weasyprint/bin/weasyprint"
    Environment bundledEnvironment() const;
};

} // namespace varnholt
