#include "model/messages/Conversation.h"

namespace varnholt {

namespace {
// Two names and the rest counted keep a title short enough for a file name and a window title.
constexpr std::size_t kNamesShown = 2;
} // namespace

std::string conversationTitle(const Conversation& conversation, const std::optional<std::string>& identifierName)
{
    if (conversation.hasStoredName())
        return *conversation.displayName;
    if (!conversation.isGroup() || conversation.members.empty()) {
        if (identifierName && !identifierName->empty())
            return *identifierName;
        if (conversation.members.size() == 1 && conversation.identifier == "unknown")
            return conversation.members.front().name.value_or(conversation.members.front().id);
        return conversation.identifier;
    }
    std::vector<std::string> names;
    for (const Member& member : conversation.members)
        names.push_back(member.name && !member.name->empty() ? *member.name : member.id);
    if (names.size() == 1)
        return names.front();
    std::string title;
    const std::size_t listed = names.size() <= kNamesShown + 1 ? names.size() - 1 : kNamesShown;
    for (std::size_t i = 0; i < listed; ++i) {
        if (i > 0)
            title += ", ";
        title += names[i];
    }
    title += " & ";
    if (listed + 1 == names.size())
        title += names.back();
    else
        title += std::to_string(names.size() - listed) + " more";
    return title;
}

} // namespace varnholt
