#include "convert/ConversionTools.h"

#include <filesystem>

namespace varnholt {

namespace {
constexpr const char* kDeveloperVenv = "/Users/tolvane/varnkit/venv";

std::string joined(const std::string& folder, const char* rest)
{
    return (std::filesystem::path(folder) / rest).string();
}
} // namespace

ConversionTools ConversionTools::standard()
{
    ConversionTools tools;
    tools.developerWeasyprint = std::string(kDeveloperVenv) + "/bin/weasyprint";
    tools.developerPython = std::string(kDeveloperVenv) + "/bin/python3";
    tools.systemWeasyprints = {"/usr/bin/weasyprint", "/usr/local/bin/weasyprint", "/opt/homebrew/bin/weasyprint"};
    tools.systemPythons = {"/usr/bin/python3", "/usr/local/bin/python3", "/opt/homebrew/bin/python3"};
    return tools;
}

std::string ConversionTools::bundledPython() const
{
    return joined(resourceFolder, "python-weasyprint/bin/python3");
}

std::string ConversionTools::bundledWeasyprint() const
{
    return joined(resourceFolder, "python-weasyprint/bin/weasyprint");
}

ConversionTools::Environment ConversionTools::bundledEnvironment() const
{
    return {{"PYTHONHOME", joined(resourceFolder, "python-weasyprint")},
            {"PYTHONPATH", joined(resourceFolder, "python-weasyprint/lib/python3.13/site-packages")},
            {"PATH", joined(resourceFolder, "python-weasyprint/bin") + ":/usr/local/bin:/usr/bin:/bin"}};
}

ConversionTools::Environment ConversionTools::developerEnvironment() const
{
    return {{"PATH", std::string(kDeveloperVenv) + "/bin:/usr/local/bin:/usr/bin:/bin"},
            {"PYTHONPATH", std::string(kDeveloperVenv) + "/lib/python3.13/site-packages"}};
}

} // namespace varnholt
