#pragma once

#include <optional>
#include <string_view>

namespace varnholt {

// The attributes of one start tag as the HTML parser hands them over: names
// in lower case, values decoded. Valid only during the call that receives it.
class HtmlAttributes {
public:
    explicit HtmlAttributes(const unsigned char* const* raw) : m_raw(raw) {}

    bool has(std::string_view name) const;
    // An attribute given without a value (`checked`) reads as an empty text.
    std::optional<std::string_view> value(std::string_view name) const;
    // Whether the whitespace-separated list in `name` (a class list) holds `token`, ignoring case.
    bool hasToken(std::string_view name, std::string_view token) const;

private:
    const unsigned char* const* m_raw;
};

} // namespace varnholt
