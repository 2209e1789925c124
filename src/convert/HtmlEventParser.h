#pragma once

#include "convert/HtmlEventSink.h"

#include <string_view>

namespace varnholt {

// libxml2's forgiving HTML parser in streaming mode: no tree is built, so a
// 50 MB note or 10,000 nested elements cost no more than their length.
class HtmlEventParser {
public:
    // Reads the whole document into `sink`. Any byte string is accepted:
    // invalid UTF-8 and NUL bytes are repaired first, a charset named inside
    // the document is ignored (our HTML is UTF-8 whatever it claims).
    static void parse(std::string_view html, HtmlEventSink& sink);
};

} // namespace varnholt
