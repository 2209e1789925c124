#include "render/messages/ConversationJsonWriter.h"

#include "platform/JsonEscape.h"

#include <charconv>

namespace varnholt {

namespace {
void appendNumber(std::string& out, long long value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// `"key": ` at the given indentation.
void appendKey(std::string& out, std::string_view indent, std::string_view key)
{
    out += indent;
    out += '"';
    out += key;
    out += "\": ";
}

void appendAttachment(std::string& out, const Attachment& attachment)
{
    static constexpr std::string_view kIndent = "          ";
    out += "        {\n";
    if (attachment.expandedPath) {
        appendKey(out, kIndent, "expanded_path");
        appendJsonString(out, *attachment.expandedPath);
        out += ",\n";
    }
    if (attachment.filename) {
        appendKey(out, kIndent, "filename");
        appendJsonString(out, *attachment.filename);
        out += ",\n";
    }
    appendKey(out, kIndent, "guid");
    appendJsonString(out, attachment.guid);
    out += ",\n";
    appendKey(out, kIndent, "id");
    appendNumber(out, attachment.id);
    out += ",\n";
    appendKey(out, kIndent, "is_sticker");
    out += attachment.isSticker ? "true" : "false";
    out += ",\n";
    if (attachment.mimeType) {
        appendKey(out, kIndent, "mime_type");
        appendJsonString(out, *attachment.mimeType);
        out += ",\n";
    }
    appendKey(out, kIndent, "size");
    appendNumber(out, attachment.size);
    out += "\n        }";
}
} // namespace

void ConversationJsonWriter::begin(const Conversation& conversation, const std::string& displayName,
                                   long long messageCount)
{
    m_first = true;
    m_buffer = "{\n";
    appendKey(m_buffer, "  ", "chat_id");
    appendNumber(m_buffer, conversation.chatId);
    m_buffer += ",\n";
    appendKey(m_buffer, "  ", "display_name");
    appendJsonString(m_buffer, displayName);
    m_buffer += ",\n";
    appendKey(m_buffer, "  ", "guid");
    appendJsonString(m_buffer, conversation.guid);
    m_buffer += ",\n";
    appendKey(m_buffer, "  ", "message_count");
    appendNumber(m_buffer, messageCount);
    m_buffer += ",\n";
    appendKey(m_buffer, "  ", "messages");
    m_buffer += '[';
    m_sink.write(m_buffer);

    m_tail = ",\n";
    appendKey(m_tail, "  ", "participants");
    m_tail += "[\n    ";
    appendJsonString(m_tail, conversation.identifier);
    m_tail += "\n  ],\n";
    appendKey(m_tail, "  ", "service");
    appendJsonString(m_tail, conversation.service);
    m_tail += "\n}";
}

void ConversationJsonWriter::add(const Message& message)
{
    static constexpr std::string_view kIndent = "      ";
    m_buffer.clear();
    m_buffer += m_first ? "\n    {\n" : ",\n    {\n";
    m_first = false;
    if (!message.attachments.empty()) {
        appendKey(m_buffer, kIndent, "attachments");
        m_buffer += "[\n";
        bool firstAttachment = true;
        for (const Attachment& attachment : message.attachments) {
            if (!firstAttachment)
                m_buffer += ",\n";
            firstAttachment = false;
            appendAttachment(m_buffer, attachment);
        }
        m_buffer += "\n      ],\n";
    }
    appendKey(m_buffer, kIndent, "date");
    appendJsonString(m_buffer, message.date);
    m_buffer += ",\n";
    appendKey(m_buffer, kIndent, "guid");
    appendJsonString(m_buffer, message.guid);
    m_buffer += ",\n";
    appendKey(m_buffer, kIndent, "id");
    appendNumber(m_buffer, message.id);
    m_buffer += ",\n";
    appendKey(m_buffer, kIndent, "is_from_me");
    m_buffer += message.isFromMe ? "true" : "false";
    m_buffer += ",\n";
    if (message.sender) {
        appendKey(m_buffer, kIndent, "sender");
        appendJsonString(m_buffer, *message.sender);
        m_buffer += ",\n";
    }
    if (message.service) {
        appendKey(m_buffer, kIndent, "service");
        appendJsonString(m_buffer, *message.service);
        m_buffer += ",\n";
    }
    appendKey(m_buffer, kIndent, "text");
    appendJsonString(m_buffer, message.text);
    m_buffer += ",\n";
    appendKey(m_buffer, kIndent, "timestamp");
    appendNumber(m_buffer, message.timestamp);
    m_buffer += "\n    }";
    m_sink.write(m_buffer);
}

void ConversationJsonWriter::end()
{
    // An empty list is written "[]", a filled one closes on a line of its own.
    m_sink.write(m_first ? "]" : "\n  ]");
    m_sink.write(m_tail);
}

} // namespace varnholt
