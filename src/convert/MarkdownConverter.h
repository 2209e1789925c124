#pragma once

#include "convert/ConversionTools.h"

#include <stop_token>
#include <string>

namespace varnholt {

// HTML to Markdown through html2text in the first Python that has it (the
// bundled one, the developer's, then the system's, which may install it),
// else through the built-in pattern conversion.
class MarkdownConverter {
public:
    MarkdownConverter(const ConversionTools& tools, std::stop_token stop);

    // Never throws; every outcome is logged.
    void convert(const std::string& htmlPath, const std::string& markdownPath) const;

private:
    void convertWithoutPython(const std::string& htmlPath, const std::string& markdownPath) const;

    const ConversionTools& m_tools;
    std::stop_token m_stop;
};

} // namespace varnholt
