#include "convert/HtmlConversion.h"

#include "convert/HtmlLayout.h"
#include "convert/PlainTextWriter.h"
#include "convert/RtfWriter.h"

namespace varnholt {

std::string htmlToText(std::string_view html)
{
    PlainTextWriter writer;
    HtmlLayout::layOut(html, writer);
    return writer.finish();
}

std::string htmlToRtf(std::string_view html)
{
    RtfWriter writer;
    HtmlLayout::layOut(html, writer);
    return writer.finish();
}

} // namespace varnholt
