#include "render/messages/ConversationWriters.h"

namespace varnholt {

void ConversationWriters::begin(const Conversation& conversation, const std::string& displayName,
                                long long messageCount)
{
    m_json.begin(conversation, displayName, messageCount);
    m_html.begin(conversation, displayName, messageCount);
    m_text.begin(conversation, displayName, messageCount);
}

void ConversationWriters::add(const Message& message)
{
    m_json.add(message);
    m_html.add(message);
    m_text.add(message);
}

void ConversationWriters::end()
{
    m_json.end();
    m_html.end();
    m_text.end();
}

std::string_view senderName(const Message& message, const std::string& identifier, const std::string& displayName)
{
    if (message.isFromMe)
        return "Me";
    const std::string_view name = message.sender ? std::string_view(*message.sender) : std::string_view("Other");
    return name == identifier ? std::string_view(displayName) : name;
}

std::string lastPathComponent(const std::string& path)
{
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    const std::string trimmed = path.substr(0, end);
    const size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos || trimmed == "/")
        return trimmed;
    return trimmed.substr(slash + 1);
}

} // namespace varnholt
