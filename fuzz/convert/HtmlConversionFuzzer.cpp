// The in-process stand-in for the system's text converter reads whatever HTML a note export
// wrote, or any file a user points `varnholt convert` at.

#include "convert/HtmlConversion.h"
#include "fuzz/FuzzCheck.h"
#include "platform/Utf8.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view html(reinterpret_cast<const char*>(data), size);

    const std::string text = varnholt::htmlToText(html);
    FUZZ_CHECK(text.empty() || text.back() == '\n'); // an empty document gives an empty text
    FUZZ_CHECK(varnholt::utf8::isValid(text));

    const std::string rtf = varnholt::htmlToRtf(html);
    FUZZ_CHECK(rtf.rfind("{\\rtf1", 0) == 0);
    // RTF is 7-bit: everything else is escaped, so no byte of the input leaks through raw.
    for (const char c : rtf)
        FUZZ_CHECK(static_cast<unsigned char>(c) < 0x80);
    // Groups balance once escaped braces are set aside.
    long depth = 0;
    for (size_t i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
            continue;
        }
        depth += rtf[i] == '{' ? 1 : rtf[i] == '}' ? -1 : 0;
        FUZZ_CHECK(depth >= 0);
    }
    FUZZ_CHECK(depth == 0);
    return 0;
}
