#pragma once

#include "model/messages/Conversation.h"
#include "model/messages/Message.h"
#include "platform/ByteSink.h"

#include <string>

namespace varnholt {

// The JSON rendering of one conversation, written while its messages are read: pretty-printed
// (two blanks) with the keys of every object in sorted order, invalid UTF-8 in user data replaced,
// never thrown on. The count precedes the messages, as sorted keys place "message_count"
// before "messages", so it must be known before the first message.
//
//   {"chat_id", "display_name", "guid", "message_count", "messages": [...], "participants": [identifier],
//    "service"}
class ConversationJsonWriter {
public:
    explicit ConversationJsonWriter(ByteSink& sink) : m_sink(sink) {}

    void begin(const Conversation& conversation, const std::string& displayName, long long messageCount);
    // One sink write per message; nothing of it is held back.
    void add(const Message& message);
    void end();

private:
    ByteSink& m_sink;
    std::string m_buffer;
    std::string m_tail; // what follows the messages
    bool m_first = true;
};

} // namespace varnholt
