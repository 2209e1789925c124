#include "sources/messages/AttributedBodyText.h"

#include "sources/messages/TypedStreamReader.h"

namespace varnholt {

std::optional<std::string> messageTextFromAttributedBody(std::string_view blob)
{
    if (auto text = TypedStreamReader(blob).attributedStringText())
        return text;
    return extractTextFromAttributedBody(blob);
}

std::optional<std::string> extractTextFromAttributedBody(std::string_view blob)
{
    std::string collected;
    long long count = 0;
    for (const char c : blob) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            collected += c;
            ++count;
        } else if (count > 3) {
            break;
        }
    }
    const size_t first = collected.find_first_not_of(" \t\n\r\v\f");
    if (first == std::string::npos)
        return std::nullopt;
    const size_t last = collected.find_last_not_of(" \t\n\r\v\f");
    std::string trimmed = collected.substr(first, last - first + 1);
    if (trimmed.size() <= 2 || trimmed.rfind("NS", 0) == 0 || trimmed.rfind("__", 0) == 0)
        return std::nullopt;
    // The typedstream signature is the first printable run of every archive; it is never message text.
    if (trimmed == "streamtyped")
        return std::nullopt;
    return trimmed;
}

} // namespace varnholt
