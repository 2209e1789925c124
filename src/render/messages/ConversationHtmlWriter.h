#pragma once

#include "model/messages/Conversation.h"
#include "model/messages/Message.h"
#include "platform/ByteSink.h"

#include <cstdint>
#include <string>
#include <unordered_set>

namespace varnholt {

// The HTML rendering of one conversation, written while its messages are read: a self-contained
// page in which every piece of data is HTML-escaped, so no message can add markup.
class ConversationHtmlWriter {
public:
    explicit ConversationHtmlWriter(ByteSink& sink) : m_sink(sink) {}

    // `displayName` titles the page and names the other party of the conversation's own identifier.
    void begin(const Conversation& conversation, const std::string& displayName, long long messageCount);
    // One sink write per message; nothing of it is held back.
    void add(const Message& message);
    void end();

private:
    ByteSink& m_sink;
    std::string m_buffer;
    std::string m_identifier;
    std::string m_displayName;
    std::string m_day;                          // of the message last written, for the day separators
    std::unordered_set<std::int64_t> m_anchors; // the messages on the page, which replies may link to
};

} // namespace varnholt
