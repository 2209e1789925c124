#include "convert/TextutilConverter.h"

#include "convert/HtmlConversion.h"
#include "platform/DomainError.h"
#include "platform/Files.h"
#include "platform/Trace.h"

#include <filesystem>
#include <fmt/format.h>

namespace varnholt {

tl::expected<void, ConversionFailure> TextutilConverter::convert(const std::string& inputPath,
                                                                 const std::string& outputPath, TextutilFormat format)
{
    auto fail = [](ConversionSide side, const Error& error) -> tl::expected<void, ConversionFailure> {
        Trace::line("[NotesExporter] textutil conversion failed: " + error.description());
        return tl::unexpected(ConversionFailure{side, ErrorPtr(error.clone())});
    };
    std::error_code ec;
    const auto size = std::filesystem::file_size(inputPath, ec);
    if (!ec && size > kMaximumInput)
        return fail(ConversionSide::input,
                    DomainError("TextutilConverter", 1,
                                fmt::format("\u201c{}\u201d is too large to convert ({} bytes)", inputPath, size),
                                ErrorKind::badInput));
    try {
        auto html = readFile(inputPath);
        if (!html)
            return fail(ConversionSide::input, html.error());
        const std::string converted = format == TextutilFormat::rtf ? htmlToRtf(*html) : htmlToText(*html);
        html->clear();
        if (auto written = writeFileAtomically(outputPath, converted); !written)
            return fail(ConversionSide::output, written.error());
    } catch (const std::bad_alloc&) {
        return fail(ConversionSide::input,
                    DomainError("TextutilConverter", 2,
                                fmt::format("not enough memory to convert \u201c{}\u201d", inputPath),
                                ErrorKind::inputOutput));
    }
    return {};
}

} // namespace varnholt
