#include "convert/TextutilConverter.h"

#include "convert/HtmlConversion.h"
#include "platform/Files.h"
#include "platform/Trace.h"

#include <filesystem>
#include <fmt/format.h>

namespace varnholt {

bool TextutilConverter::convert(const std::string& inputPath, const std::string& outputPath, TextutilFormat format)
{
    auto fail = [](const std::string& why) {
        Trace::line("[NotesExporter] textutil conversion failed: " + why);
        return false;
    };
    std::error_code ec;
    const auto size = std::filesystem::file_size(inputPath, ec);
    if (!ec && size > kMaximumInput)
        return fail(fmt::format("\u201c{}\u201d is too large to convert ({} bytes)", inputPath, size));
    try {
        auto html = readFile(inputPath);
        if (!html)
            return fail(html.error().description());
        const std::string converted = format == TextutilFormat::rtf ? htmlToRtf(*html) : htmlToText(*html);
        html->clear();
        if (auto written = writeFileAtomically(outputPath, converted); !written)
            return fail(written.error().description());
    } catch (const std::bad_alloc&) {
        return fail(fmt::format("not enough memory to convert \u201c{}\u201d", inputPath));
    }
    return true;
}

} // namespace varnholt
