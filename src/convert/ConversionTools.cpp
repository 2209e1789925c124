#include "convert/ConversionTools.h"

#include "platform/HomeFolders.h"

#include <cstdlib>
#include <filesystem>

namespace varnholt {

namespace {
std::string joined(const std::string& folder, const char* rest)
{
    return (std::filesystem::path(folder) / rest).string();
}
} // namespace

ConversionTools ConversionTools::standard()
{
    const char* virtualEnvironment = std::getenv("VIRTUAL_ENV");
    return forUser(currentUserHome(), virtualEnvironment ? virtualEnvironment : "");
}

ConversionTools ConversionTools::forUser(const std::string& home, const std::string& virtualEnvironment)
{
    ConversionTools tools;
    for (const std::string& folder : {virtualEnvironment, home.empty() ? std::string() : joined(home, ".local")}) {
        if (folder.empty())
            continue;
        tools.userWeasyprints.push_back(joined(folder, "bin/weasyprint"));
        tools.userPythons.push_back(joined(folder, "bin/python3"));
    }
    tools.systemWeasyprints = {"/usr/bin/weasyprint", "/usr/local/bin/weasyprint"};
    tools.systemPythons = {"/usr/bin/python3", "/usr/local/bin/python3"};
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

} // namespace varnholt
