#include "render/messages/ConversationTextWriter.h"

#include "render/messages/ConversationWriters.h"

namespace varnholt {

void ConversationTextWriter::begin(const Conversation& conversation, const std::string& displayName,
                                   long long messageCount)
{
    m_identifier = conversation.identifier;
    m_displayName = displayName;
    m_day.clear();
    const std::string rule(80, '=');
    m_buffer = rule + "\n";
    m_buffer += "Conversation: " + displayName;
    m_buffer += "\nService: " + conversation.service;
    m_buffer += "\nMessages: " + std::to_string(messageCount);
    m_buffer += "\n" + rule + "\n";
    m_sink.write(m_buffer);
}

void ConversationTextWriter::add(const Message& message)
{
    const std::string_view name = senderName(message, m_identifier, m_displayName);
    m_buffer.clear();
    if (const std::string_view day = std::string_view(message.date).substr(0, 10); day != m_day) {
        m_day = day;
        m_buffer += "--- " + dayHeading(message.date) + " ---\n\n";
    }
    m_buffer += "[";
    m_buffer += message.date;
    m_buffer += "] ";
    if (message.event) {
        m_buffer += "[";
        m_buffer += eventLine(*message.event, message.isFromMe ? std::string_view("You") : name);
        m_buffer += "]\n\n";
        m_sink.write(m_buffer);
        return;
    }
    if (message.unsent) {
        m_buffer += "[";
        m_buffer += unsentLine(message, name);
        m_buffer += "]\n";
    } else {
        m_buffer += name;
        m_buffer += ": ";
        m_buffer += message.text;
        m_buffer += "\n";
    }
    if (message.replyTo) {
        m_buffer += "  \u21AA in reply to: ";
        m_buffer += message.replyQuote.value_or("a message not in this export");
        m_buffer += "\n";
    }
    if (!message.attachments.empty()) {
        m_buffer += "  Attachments: ";
        for (const Attachment& attachment : message.attachments) {
            if (!attachment.filename)
                continue;
            m_buffer += lastPathComponent(*attachment.filename);
            if (attachment.isSticker)
                m_buffer += " (sticker)";
            m_buffer += attachment.missing ? " (missing) " : " ";
        }
        m_buffer += "\n";
    }
    for (const Edit& edit : message.edits)
        m_buffer += "  Earlier version (" + edit.date + "): " + edit.text + "\n";
    if (!message.unsentParts.empty())
        m_buffer += "  Part of this message was unsent\n";
    if (message.effect)
        m_buffer += "  Sent with " + *message.effect + "\n";
    if (message.app)
        m_buffer += "  App: " + *message.app + "\n";
    if (message.isAudio)
        m_buffer += "  Audio message\n";
    if (!message.reactions.empty())
        m_buffer += "  Reactions: " + reactionsLine(message.reactions) + "\n";
    m_buffer += "\n";
    m_sink.write(m_buffer);
}

} // namespace varnholt
