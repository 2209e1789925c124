#pragma once

#include <string>
#include <vector>

namespace varnholt::test {

// Everything in an HTML document that a browser would run: script elements, on* event
// attributes, and javascript: URLs (however cased or padded). One description per finding.
std::vector<std::string> activeMarkup(const std::string& html);

// The document's text as a browser shows it (entities decoded, markup gone).
std::string visibleText(const std::string& html);

} // namespace varnholt::test
