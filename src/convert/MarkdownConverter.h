#pragma once

#include "convert/ConversionFailure.h"
#include "convert/ConversionTools.h"

#include <stop_token>
#include <string>
#include <vector>

namespace varnholt {

// HTML to Markdown through html2text in the first Python that has it (the
// bundled one, the user's, then the system's, which may install it),
// else through the built-in pattern conversion. One Python converts a whole
// list of notes; the HTML it reads and the Markdown it writes pass through
// MarkdownPreparation.
class MarkdownConverter {
public:
    MarkdownConverter(const ConversionTools& tools, std::stop_token stop);

    struct Job {
        std::string htmlPath;
        std::string markdownPath;
    };

    // Never throws; every outcome is logged. Each Markdown file appears whole or not at all. Fails
    // with the first output that could not be written; a note that cannot be read costs only its file.
    [[nodiscard]] ConversionOutcome convertAll(const std::vector<Job>& jobs) const;
    [[nodiscard]] ConversionOutcome convert(const std::string& htmlPath, const std::string& markdownPath) const
    {
        return convertAll({{htmlPath, markdownPath}});
    }

private:
    const ConversionTools& m_tools;
    std::stop_token m_stop;
};

} // namespace varnholt
