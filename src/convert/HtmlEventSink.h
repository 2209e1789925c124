#pragma once

#include "convert/HtmlAttributes.h"

#include <string_view>

namespace varnholt {

// Receives a document as the HTML parser reads it: balanced start and end
// events (the parser closes what the markup left open) and decoded text.
class HtmlEventSink {
public:
    virtual ~HtmlEventSink() = default;
    virtual void startElement(std::string_view name, const HtmlAttributes& attributes) = 0;
    virtual void endElement(std::string_view name) = 0;
    virtual void characters(std::string_view text) = 0;
};

} // namespace varnholt
