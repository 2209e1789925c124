#include "convert/MarkdownScript.h"

#include "convert/PythonBatch.h"

namespace varnholt {

namespace {
// Invalid UTF-8 in a note costs the characters concerned (as U+FFFD), not the whole note.
constexpr const char* kCore = R"PY(
for source_path, target_path in jobs:
    try:
        with open(source_path, encoding="utf-8", errors="replace") as source:
            html = source.read()
        converter = html2text.HTML2Text()
        converter.ignore_links = False
        converter.ignore_images = False
        converter.body_width = 0
        converter.unicode_snob = True
        markdown = converter.handle(html)
        with open(target_path + ".part", "w", encoding="utf-8") as target:
            target.write(markdown)
        os.replace(target_path + ".part", target_path)
    except Exception as error:
        print("Error converting HTML to Markdown: %r: %s" % (source_path, error))
)PY";

// pip must never wait: no prompts, no retries, a short network timeout. A
// Python that may not install (externally managed, no pip, no network) fails
// at once and the next candidate gets its turn.
constexpr const char* kInstallingPrelude = R"PY(import sys
try:
    import html2text
except ImportError:
    print("Installing html2text...")
    import subprocess
    subprocess.check_call([sys.executable, "-m", "pip", "install", "--user", "--no-input",
                           "--disable-pip-version-check", "--retries", "0", "--timeout", "15", "html2text"])
    import html2text
)PY";

constexpr const char* kUserPrelude = R"PY(import sys
try:
    import html2text
except ImportError:
    print("html2text not available")
    sys.exit(1)
)PY";

constexpr const char* kBundledPrelude = R"PY(import sys
try:
    import html2text
except ImportError:
    print("html2text not available in bundled environment")
    sys.exit(1)
)PY";
} // namespace

const std::string& markdownScriptText(MarkdownScript variant)
{
    static const std::string kSystem = std::string(kInstallingPrelude) + PythonBatch::readJobsScript() + kCore;
    static const std::string kUser = std::string(kUserPrelude) + PythonBatch::readJobsScript() + kCore;
    static const std::string kBundled = std::string(kBundledPrelude) + PythonBatch::readJobsScript() + kCore;
    switch (variant) {
    case MarkdownScript::user:
        return kUser;
    case MarkdownScript::bundled:
        return kBundled;
    case MarkdownScript::system:
        break;
    }
    return kSystem;
}

} // namespace varnholt
