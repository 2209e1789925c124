#pragma once

#include "convert/ConversionFailure.h"

#include <string>

namespace varnholt {

enum class TextutilFormat { rtf, txt };

// Stands in for the system's `textutil -convert FORMAT IN -output OUT`, in
// process: reads an HTML file and writes it as RTF or plain text.
class TextutilConverter {
public:
    // Larger files are not read at all (logged as a failure).
    static constexpr std::size_t kMaximumInput = 512u * 1024 * 1024;

    // Never throws; a failure is logged ("textutil conversion failed: ...") and leaves no output.
    [[nodiscard]] static tl::expected<void, ConversionFailure>
    convert(const std::string& inputPath, const std::string& outputPath, TextutilFormat format);
};

} // namespace varnholt
