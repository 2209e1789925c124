#include "sources/messages/MessageSummaryInfo.h"

#include "sources/messages/AttributedBodyText.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <plist/plist.h>

namespace varnholt {

namespace {
struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

std::optional<int> partIndex(std::string_view key)
{
    int value = 0;
    const auto result = std::from_chars(key.data(), key.data() + key.size(), value);
    if (result.ec != std::errc() || result.ptr != key.data() + key.size() || value < 0)
        return std::nullopt;
    return value;
}

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

// What libplist hands over with malloc: the dictionary iterator and each key.
struct MallocFree {
    void operator()(void* memory) const { free(memory); } // NOLINT(cppcoreguidelines-no-malloc)
};

// Calls `visit(key, value)` for every entry of a dictionary node.
template <typename Visit> void forEachEntry(plist_t dictionary, Visit visit)
{
    if (!dictionary || plist_get_node_type(dictionary) != PLIST_DICT)
        return;
    plist_dict_iter raw = nullptr;
    plist_dict_new_iter(dictionary, &raw);
    const std::unique_ptr<void, MallocFree> iterator(raw);
    if (!iterator)
        return;
    while (true) {
        char* rawKey = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dictionary, iterator.get(), &rawKey, &value);
        const std::unique_ptr<char, MallocFree> key(rawKey);
        if (!key)
            break;
        visit(std::string(key.get()), value);
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
    forEachEntry(plist_dict_get_item(root.get(), "ec"), [&info](const std::string& key, plist_t value) {
        const auto part = partIndex(key);
        if (!part || plist_get_node_type(value) != PLIST_ARRAY)
            return;
        std::vector<MessageSummaryInfo::Version> versions;
        const std::uint32_t count = plist_array_get_size(value);
        for (std::uint32_t i = 0; i < count; ++i) {
            plist_t item = plist_array_get_item(value, i);
            if (plist_get_node_type(item) == PLIST_DICT)
                versions.push_back(readVersion(item));
        }
        if (!versions.empty())
            info.versions[*part] = std::move(versions);
    });
    plist_t retracted = plist_dict_get_item(root.get(), "rp");
    if (retracted && plist_get_node_type(retracted) == PLIST_ARRAY) {
        const std::uint32_t count = plist_array_get_size(retracted);
        for (std::uint32_t i = 0; i < count; ++i)
            if (auto part = integerPart(plist_array_get_item(retracted, i)))
                info.unsentParts.insert(*part);
    }
    forEachEntry(plist_dict_get_item(root.get(), "otr"), [&info](const std::string& key, plist_t) {
        if (auto part = partIndex(key))
            info.parts.insert(*part);
    });
    return info;
}

} // namespace varnholt
