#include "sources/messages/MessageSummaryInfo.h"

#include "platform/PropertyList.h"
#include "sources/messages/AttributedBodyText.h"

#include <cstdint>
#include <limits>
#include <string>

namespace varnholt {

namespace {
std::optional<int> integerPart(const PropertyList::Node& node)
{
    const std::optional<std::int64_t> value = node.integer();
    if (!value || *value < 0 || *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*value);
}

// Parts are counted from 0; a message has a handful. Beyond this no part is looked for.
constexpr int kMaxParts = 256;

// Calls `visit(part, value)` for every entry of a dictionary keyed by part index ("0", "1", ...). The entries
// are looked up by key rather than iterated: libplist's iterator aborts the process on a damaged list whose
// keys are not strings, and a damaged list is exactly what this must survive.
template <typename Visit> void forEachPart(const PropertyList::Node& dictionary, Visit visit)
{
    const std::size_t size = dictionary.size();
    std::size_t found = 0;
    for (int part = 0; part < kMaxParts && found < size; ++part) {
        if (const PropertyList::Node value = dictionary[std::to_string(part).c_str()]; value.isValid()) {
            ++found;
            visit(part, value);
        }
    }
}

MessageSummaryInfo::Version readVersion(const PropertyList::Node& item)
{
    MessageSummaryInfo::Version version;
    version.seconds = item["d"].real().value_or(0);
    if (const std::optional<std::string> body = item["t"].data())
        version.text = messageTextFromAttributedBody(*body).value_or("");
    return version;
}
} // namespace

std::optional<MessageSummaryInfo> parseMessageSummaryInfo(std::string_view blob)
{
    const std::optional<PropertyList> list = PropertyList::parse(blob);
    if (!list || !list->root().isDictionary())
        return std::nullopt;
    const PropertyList::Node root = list->root();

    MessageSummaryInfo info;
    forEachPart(root["ec"], [&info](int part, const PropertyList::Node& value) {
        std::vector<MessageSummaryInfo::Version> versions;
        for (std::size_t i = 0; i < value.size(); ++i)
            if (const PropertyList::Node item = value.at(i); item.isDictionary())
                versions.push_back(readVersion(item));
        if (!versions.empty())
            info.versions[part] = std::move(versions);
    });
    const PropertyList::Node retracted = root["rp"];
    for (std::size_t i = 0; i < retracted.size(); ++i)
        if (auto part = integerPart(retracted.at(i)))
            info.unsentParts.insert(*part);
    forEachPart(root["otr"], [&info](int part, const PropertyList::Node&) { info.parts.insert(part); });
    return info;
}

} // namespace varnholt
