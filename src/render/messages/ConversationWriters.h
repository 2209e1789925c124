#pragma once

#include "model/messages/Conversation.h"
#include "model/messages/Message.h"
#include "platform/ByteSink.h"
#include "render/messages/ConversationHtmlWriter.h"
#include "render/messages/ConversationJsonWriter.h"
#include "render/messages/ConversationTextWriter.h"

#include <string>
#include <string_view>

namespace varnholt {

// The three renderings of one conversation (JSON, HTML, plain text), fed one message at a
// time as the messages are read, each into its own sink.
class ConversationWriters {
public:
    ConversationWriters(ByteSink& json, ByteSink& html, ByteSink& text) : m_json(json), m_html(html), m_text(text) {}

    // `displayName` is the stored name, the contact's name or the identifier, in that order.
    void begin(const Conversation& conversation, const std::string& displayName, long long messageCount);
    void add(const Message& message);
    void end();

private:
    ConversationJsonWriter m_json;
    ConversationHtmlWriter m_html;
    ConversationTextWriter m_text;
};

// "Me" for the user's own messages; else the sender's contact name, else the sender's handle ("Other" without
// one), shown as `displayName` when it is the conversation's own identifier.
std::string_view senderName(const Message& message, const std::string& identifier, const std::string& displayName);

// Who reacted: "Me", their contact name or their address.
std::string_view reactorName(const Reaction& reaction);
// "❤️ Ada Byron, 👍 Me": the reactions of a message on one line.
std::string reactionsLine(const std::vector<Reaction>& reactions);
// A group event as one sentence, `actor` being who made it ("You" for the user).
std::string eventLine(const GroupEvent& event, std::string_view actor);
// "You unsent a message" / "<name> unsent a message".
std::string unsentLine(const Message& message, std::string_view name);
// "Tuesday, 5 March 2024" for the date part of an Internet date-time; the date part itself when unreadable.
std::string dayHeading(std::string_view date);

// The part after the last "/" (trailing slashes ignored); a name without "/" is returned whole.
std::string lastPathComponent(const std::string& path);

} // namespace varnholt
