#include "render/messages/ConversationTextWriter.h"

#include "render/messages/ConversationWriters.h"

namespace varnholt {

void ConversationTextWriter::begin(const Conversation& conversation, const std::string& displayName,
                                   long long messageCount)
{
    m_identifier = conversation.identifier;
    m_displayName = displayName;
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
    m_buffer = "[";
    m_buffer += message.date;
    m_buffer += "] ";
    m_buffer += senderName(message, m_identifier, m_displayName);
    m_buffer += ": ";
    m_buffer += message.text;
    m_buffer += "\n";
    if (!message.attachments.empty()) {
        m_buffer += "  Attachments: ";
        for (const Attachment& attachment : message.attachments) {
            if (!attachment.filename)
                continue;
            m_buffer += lastPathComponent(*attachment.filename);
            m_buffer += " ";
        }
        m_buffer += "\n";
    }
    m_buffer += "\n";
    m_sink.write(m_buffer);
}

} // namespace varnholt
