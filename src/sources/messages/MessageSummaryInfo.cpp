#include "sources/messages/MessageSummaryInfo.h"

#include "sources/messages/AttributedBodyText.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <plist/plist.h>
#include <string>

namespace varnholt {

namespace {
struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

std::optional<int> integerPart(plist_t node)
{
    if (plist_get_node_type(node) != PLIST_UINT)
        return std::nullopt;
    std::uint64_t value = 0;
    plist_get_uint_val(node, &value);
    if (value > static_cast<std::uint64_t>(std::numeric_limits<int>::max()))
        return std::nullopt;
    return static_cast<int>(value);
}

// Parts are counted from 0; a message has a handful. Beyond this no part is looked for.
constexpr int kMaxParts = 256;

// Calls `visit(part, value)` for every entry of a dictionary keyed by part index ("0", "1", ...). The entries
// are looked up by key rather than iterated: libplist's iterator aborts the process on a damaged list whose
// keys are not strings, and a damaged list is exactly what this must survive.
template <typename Visit> void forEachPart(plist_t dictionary, Visit visit)
{
    if (!dictionary || plist_get_node_type(dictionary) != PLIST_DICT)
        return;
    const std::uint32_t size = plist_dict_get_size(dictionary);
    std::uint32_t found = 0;
    for (int part = 0; part < kMaxParts && found < size; ++part) {
        if (plist_t value = plist_dict_get_item(dictionary, std::to_string(part).c_str())) {
            ++found;
            visit(part, value);
        }
    }
}

MessageSummaryInfo::Version readVersion(plist_t item)
{
    MessageSummaryInfo::Version version;
    if (plist_t date = plist_dict_get_item(item, "d")) {
        if (plist_get_node_type(date) == PLIST_REAL)
            plist_get_real_val(date, &version.seconds);
        else if (auto whole = integerPart(date))
            version.seconds = *whole;
    }
    plist_t body = plist_dict_get_item(item, "t");
    if (body && plist_get_node_type(body) == PLIST_DATA) {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(body, &length);
        if (bytes)
            version.text = messageTextFromAttributedBody(std::string_view(bytes, length)).value_or("");
    }
    return version;
}
} // namespace

std::optional<MessageSummaryInfo> parseMessageSummaryInfo(std::string_view blob)
{
    if (blob.empty() || blob.size() > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    plist_t raw = nullptr;
    plist_from_memory(blob.data(), static_cast<std::uint32_t>(blob.size()), &raw);
    const PlistPtr root(raw);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;

    MessageSummaryInfo info;
    forEachPart(plist_dict_get_item(root.get(), "ec"), [&info](int part, plist_t value) {
        if (plist_get_node_type(value) != PLIST_ARRAY)
            return;
        std::vector<MessageSummaryInfo::Version> versions;
        const std::uint32_t count = plist_array_get_size(value);
        for (std::uint32_t i = 0; i < count; ++i) {
            plist_t item = plist_array_get_item(value, i);
            if (plist_get_node_type(item) == PLIST_DICT)
                versions.push_back(readVersion(item));
        }
        if (!versions.empty())
            info.versions[part] = std::move(versions);
    });
    plist_t retracted = plist_dict_get_item(root.get(), "rp");
    if (retracted && plist_get_node_type(retracted) == PLIST_ARRAY) {
        const std::uint32_t count = plist_array_get_size(retracted);
        for (std::uint32_t i = 0; i < count; ++i)
            if (auto part = integerPart(plist_array_get_item(retracted, i)))
                info.unsentParts.insert(*part);
    }
    forEachPart(plist_dict_get_item(root.get(), "otr"), [&info](int part, plist_t) { info.parts.insert(part); });
    return info;
}

} // namespace varnholt
