#include "convert/HtmlAttributes.h"

#include <cctype>

namespace varnholt {

namespace {
std::string_view view(const unsigned char* text)
{
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
} // namespace

bool HtmlAttributes::has(std::string_view name) const
{
    return value(name).has_value();
}

std::optional<std::string_view> HtmlAttributes::value(std::string_view name) const
{
    if (!m_raw)
        return std::nullopt;
    for (std::size_t i = 0; m_raw[i]; i += 2)
        if (equalsIgnoringCase(view(m_raw[i]), name))
            return view(m_raw[i + 1]);
    return std::nullopt;
}

bool HtmlAttributes::hasToken(std::string_view name, std::string_view token) const
{
    const auto list = value(name);
    if (!list)
        return false;
    std::size_t i = 0;
    while (i < list->size()) {
        while (i < list->size() && std::isspace(static_cast<unsigned char>((*list)[i])))
            ++i;
        std::size_t end = i;
        while (end < list->size() && !std::isspace(static_cast<unsigned char>((*list)[end])))
            ++end;
        if (end > i && equalsIgnoringCase(list->substr(i, end - i), token))
            return true;
        i = end;
    }
    return false;
}

} // namespace varnholt
