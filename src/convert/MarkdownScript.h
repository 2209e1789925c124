#pragma once

#include <string>

namespace varnholt {

// Which Python runs the html2text script, and so how it copes without html2text.
enum class MarkdownScript {
    system,    // installs html2text for the user, failing fast without network or permission
    developer, // gives up: "html2text not available"
    bundled,   // gives up: "html2text not available in bundled environment"
};

// The program text passed with "-c"; it reads argv[1] and writes argv[2].
const std::string& markdownScriptText(MarkdownScript variant);

} // namespace varnholt
