// The text of a message whose body is only in its archived attributed string: any bytes at all
// may sit in that column.

#include "fuzz/FuzzCheck.h"
#include "sources/messages/AttributedBodyText.h"
#include "sources/messages/TypedStreamReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto text = varnholt::messageTextFromAttributedBody(bytes))
        FUZZ_CHECK(text->size() <= size);
    if (auto text = varnholt::extractTextFromAttributedBody(bytes)) {
        FUZZ_CHECK(text->size() <= size);
        FUZZ_CHECK(text->size() >= 3);
    }
    varnholt::TypedStreamReader reader(bytes);
    if (auto text = reader.attributedStringText())
        FUZZ_CHECK(text->size() <= size);
    return 0;
}
