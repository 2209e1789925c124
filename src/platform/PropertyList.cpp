#include "platform/PropertyList.h"

#include <cstdlib>
#include <plist/plist.h>
#include <utility>

namespace varnholt {

namespace {
plist_t node(void* handle)
{
    return static_cast<plist_t>(handle);
}

// Seconds between 1970 and 2001, the epoch of property-list dates.
constexpr double kPlistEpoch = 978307200.0;
} // namespace

std::optional<PropertyList> PropertyList::parse(std::string_view bytes)
{
    if (bytes.empty() || bytes.size() > 0xFFFFFFFFu)
        return std::nullopt;
    plist_t parsed = nullptr;
    if (plist_is_binary(bytes.data(), static_cast<uint32_t>(bytes.size())))
        plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &parsed);
    else
        plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &parsed);
    if (!parsed)
        return std::nullopt;
    PropertyList list;
    list.m_handle = parsed;
    return list;
}

PropertyList::~PropertyList()
{
    if (m_handle)
        plist_free(node(m_handle));
}

PropertyList::PropertyList(PropertyList&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}

PropertyList& PropertyList::operator=(PropertyList&& other) noexcept
{
    if (this != &other) {
        if (m_handle)
            plist_free(node(m_handle));
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

bool PropertyList::Node::isDictionary() const
{
    return m_handle && plist_get_node_type(node(m_handle)) == PLIST_DICT;
}

PropertyList::Node PropertyList::Node::operator[](const char* key) const
{
    if (!m_handle || plist_get_node_type(node(m_handle)) != PLIST_DICT)
        return Node();
    return Node(plist_dict_get_item(node(m_handle), key));
}

PropertyList::Node PropertyList::Node::at(std::size_t index) const
{
    if (!m_handle || plist_get_node_type(node(m_handle)) != PLIST_ARRAY || index >= size())
        return Node();
    return Node(plist_array_get_item(node(m_handle), static_cast<uint32_t>(index)));
}

std::size_t PropertyList::Node::size() const
{
    if (!m_handle)
        return 0;
    if (plist_get_node_type(node(m_handle)) == PLIST_ARRAY)
        return plist_array_get_size(node(m_handle));
    if (plist_get_node_type(node(m_handle)) == PLIST_DICT)
        return plist_dict_get_size(node(m_handle));
    return 0;
}

std::optional<std::string> PropertyList::Node::text() const
{
    if (!m_handle || plist_get_node_type(node(m_handle)) != PLIST_STRING)
        return std::nullopt;
    char* value = nullptr;
    plist_get_string_val(node(m_handle), &value);
    if (!value)
        return std::nullopt;
    std::string result(value);
    std::free(value);
    return result;
}

std::optional<std::int64_t> PropertyList::Node::integer() const
{
    if (!m_handle || plist_get_node_type(node(m_handle)) != PLIST_UINT)
        return std::nullopt;
    uint64_t value = 0;
    plist_get_uint_val(node(m_handle), &value);
    return static_cast<std::int64_t>(value);
}

std::optional<double> PropertyList::Node::real() const
{
    if (m_handle && plist_get_node_type(node(m_handle)) == PLIST_REAL) {
        double value = 0;
        plist_get_real_val(node(m_handle), &value);
        return value;
    }
    if (const std::optional<std::int64_t> whole = integer())
        return static_cast<double>(*whole);
    return std::nullopt;
}

std::optional<bool> PropertyList::Node::boolean() const
{
    if (!m_handle || plist_get_node_type(node(m_handle)) != PLIST_BOOLEAN)
        return std::nullopt;
    uint8_t value = 0;
    plist_get_bool_val(node(m_handle), &value);
    return value != 0;
}

std::optional<std::string> PropertyList::Node::data() const
{
    if (!m_handle || plist_get_node_type(node(m_handle)) != PLIST_DATA)
        return std::nullopt;
    char* value = nullptr;
    uint64_t length = 0;
    plist_get_data_val(node(m_handle), &value, &length);
    std::string result(value ? value : "", value ? length : 0);
    std::free(value);
    return result;
}

std::optional<double> PropertyList::Node::date() const
{
    if (!m_handle || plist_get_node_type(node(m_handle)) != PLIST_DATE)
        return std::nullopt;
    int32_t seconds = 0;
    int32_t microseconds = 0;
    plist_get_date_val(node(m_handle), &seconds, &microseconds);
    return kPlistEpoch + seconds + microseconds / 1e6;
}

std::optional<std::uint64_t> PropertyList::Node::uid() const
{
    if (!m_handle || plist_get_node_type(node(m_handle)) != PLIST_UID)
        return std::nullopt;
    uint64_t value = 0;
    plist_get_uid_val(node(m_handle), &value);
    return value;
}

} // namespace varnholt
