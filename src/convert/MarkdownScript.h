#pragma once

#include <string>

namespace varnholt {

// Which Python runs the html2text script, and so how it copes without html2text.
enum class MarkdownScript {
    system,  // installs html2text for the user, failing fast without network or permission
    user,    // gives up: "html2text not available" (nothing is installed into the user's own Python)
    bundled, // gives up: "html2text not available in bundled environment"
};

// The program text passed with "-c"; argv[1] is a PythonBatch list of (HTML, Markdown) paths.
// A file that fails is named on standard output and the others still convert.
const std::string& markdownScriptText(MarkdownScript variant);

} // namespace varnholt
