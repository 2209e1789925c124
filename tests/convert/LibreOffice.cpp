#include "LibreOffice.h"

#include "platform/Files.h"
#include "platform/ProcessRunner.h"

#include <stdexcept>

namespace varnholt::test {

namespace fs = std::filesystem;

std::optional<fs::path> findSoffice()
{
    for (const char* candidate : {"/usr/bin/soffice", "/usr/local/bin/soffice", "/usr/lib/libreoffice/program/soffice"})
        if (::access(candidate, X_OK) == 0)
            return fs::path(candidate);
    return std::nullopt;
}

std::vector<std::string> readBackWithLibreOffice(const fs::path& soffice, const std::vector<fs::path>& rtfFiles,
                                                 const fs::path& workFolder)
{
    const fs::path outFolder = workFolder / "libreoffice-text";
    fs::create_directories(outFolder);
    ProcessSpec spec;
    spec.executable = soffice.string();
    // "Text (encoded)" with UTF8: plain "Text" follows the locale and turns CJK into "?" under LANG=C.
    spec.arguments = {"-env:UserInstallation=file://" + (workFolder / "libreoffice-profile").string(),
                      "--headless",
                      "--convert-to",
                      "txt:Text (encoded):UTF8",
                      "--outdir",
                      outFolder.string()};
    for (const auto& file : rtfFiles)
        spec.arguments.push_back(file.string());
    spec.environment = {{"HOME", workFolder.string()}};
    spec.timeLimit = std::chrono::minutes(3);
    auto result = ProcessRunner::run(spec);
    if (!result || !result->succeeded())
        throw std::runtime_error("soffice failed: " + (result ? result->standardError : result.error().description()));

    std::vector<std::string> texts;
    for (const auto& file : rtfFiles) {
        auto text = readFile(outFolder / file.filename().replace_extension(".txt"));
        if (!text)
            throw std::runtime_error("soffice wrote no text for " + file.string());
        std::string t = *text;
        if (t.rfind("\xEF\xBB\xBF", 0) == 0)
            t.erase(0, 3);
        std::string normalised;
        for (std::size_t i = 0; i < t.size(); ++i)
            if (!(t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n'))
                normalised.push_back(t[i]);
        while (!normalised.empty() && normalised.back() == '\n')
            normalised.pop_back();
        texts.push_back(normalised);
    }
    return texts;
}

} // namespace varnholt::test
