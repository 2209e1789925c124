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

// The object from its opening brace on; `outer` is the indentation of its closing brace.
void appendAttachment(std::string& out, const Attachment& attachment, std::string_view outer)
{
    const std::string indent = std::string(outer) + "  ";
    const std::string_view kIndent = indent;
    out += "{\n";
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
    out += "\n";
    out += outer;
    out += "}";
}

// `"key": "value",\n` and its kin, for the fields of one object.
void appendStringField(std::string& out, std::string_view indent, std::string_view key, std::string_view value)
{
    appendKey(out, indent, key);
    appendJsonString(out, value);
    out += ",\n";
}

void appendBoolField(std::string& out, std::string_view indent, std::string_view key, bool value)
{
    appendKey(out, indent, key);
    out += value ? "true,\n" : "false,\n";
}

// Replaces the trailing ",\n" of an object's last field with "\n" + the closing brace.
void closeObject(std::string& out, std::string_view indent)
{
    if (out.size() >= 2 && out.compare(out.size() - 2, 2, ",\n") == 0)
        out.resize(out.size() - 2);
    out += "\n";
    out += indent;
    out += "}";
}

void appendReaction(std::string& out, const Reaction& reaction)
{
    static constexpr std::string_view kIndent = "          ";
    out += "        {\n";
    appendKey(out, kIndent, "by");
    if (reaction.by)
        appendJsonString(out, *reaction.by);
    else
        out += "null";
    out += ",\n";
    if (reaction.byName)
        appendStringField(out, kIndent, "by_name", *reaction.byName);
    appendStringField(out, kIndent, "date", reaction.date);
    if (reaction.kind == ReactionKind::emoji)
        appendStringField(out, kIndent, "emoji", reaction.emoji.value_or(""));
    appendBoolField(out, kIndent, "is_from_me", reaction.isFromMe);
    appendStringField(out, kIndent, "kind", reactionKindName(reaction.kind));
    if (reaction.part != 0) {
        appendKey(out, kIndent, "part");
        appendNumber(out, reaction.part);
        out += ",\n";
    }
    if (reaction.sticker) {
        appendKey(out, kIndent, "sticker");
        appendAttachment(out, *reaction.sticker, kIndent);
        out += ",\n";
    }
    closeObject(out, "        ");
}

void appendEvent(std::string& out, const GroupEvent& event)
{
    static constexpr std::string_view kIndent = "        ";
    appendKey(out, "      ", "event");
    out += "{\n";
    appendStringField(out, kIndent, "kind", groupEventKindName(event.kind));
    if (event.name)
        appendStringField(out, kIndent, "name", *event.name);
    if (event.kind == GroupEventKind::added || event.kind == GroupEventKind::removed) {
        appendKey(out, kIndent, "who");
        if (event.who)
            appendJsonString(out, *event.who);
        else
            out += "null";
        out += ",\n";
        if (event.whoName)
            appendStringField(out, kIndent, "who_name", *event.whoName);
    }
    closeObject(out, "      ");
    out += ",\n";
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
    appendKey(m_buffer, "  ", "members");
    if (conversation.members.empty()) {
        m_buffer += "[],\n";
    } else {
        m_buffer += "[";
        for (std::size_t i = 0; i < conversation.members.size(); ++i) {
            const Member& member = conversation.members[i];
            m_buffer += i == 0 ? "\n    {\n" : ",\n    {\n";
            appendStringField(m_buffer, "      ", "id", member.id);
            appendKey(m_buffer, "      ", "name");
            if (member.name)
                appendJsonString(m_buffer, *member.name);
            else
                m_buffer += "null";
            m_buffer += "\n    }";
        }
        m_buffer += "\n  ],\n";
    }
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
    if (message.app)
        appendStringField(m_buffer, kIndent, "app", *message.app);
    if (!message.attachments.empty()) {
        appendKey(m_buffer, kIndent, "attachments");
        m_buffer += "[\n";
        bool firstAttachment = true;
        for (const Attachment& attachment : message.attachments) {
            if (!firstAttachment)
                m_buffer += ",\n";
            firstAttachment = false;
            m_buffer += "        ";
            appendAttachment(m_buffer, attachment, "        ");
        }
        m_buffer += "\n      ],\n";
    }
    appendStringField(m_buffer, kIndent, "date", message.date);
    if (!message.edits.empty()) {
        appendKey(m_buffer, kIndent, "edits");
        m_buffer += "[\n";
        for (std::size_t i = 0; i < message.edits.size(); ++i) {
            m_buffer += i == 0 ? "        {\n" : ",\n        {\n";
            appendStringField(m_buffer, "          ", "date", message.edits[i].date);
            appendStringField(m_buffer, "          ", "text", message.edits[i].text);
            closeObject(m_buffer, "        ");
        }
        m_buffer += "\n      ],\n";
    }
    if (message.effect)
        appendStringField(m_buffer, kIndent, "effect", *message.effect);
    if (message.event)
        appendEvent(m_buffer, *message.event);
    appendStringField(m_buffer, kIndent, "guid", message.guid);
    appendKey(m_buffer, kIndent, "id");
    appendNumber(m_buffer, message.id);
    m_buffer += ",\n";
    if (message.isAudio)
        appendBoolField(m_buffer, kIndent, "is_audio", true);
    appendBoolField(m_buffer, kIndent, "is_from_me", message.isFromMe);
    if (!message.reactions.empty()) {
        appendKey(m_buffer, kIndent, "reactions");
        m_buffer += "[\n";
        for (std::size_t i = 0; i < message.reactions.size(); ++i) {
            if (i > 0)
                m_buffer += ",\n";
            appendReaction(m_buffer, message.reactions[i]);
        }
        m_buffer += "\n      ],\n";
    }
    if (message.replyTo)
        appendStringField(m_buffer, kIndent, "reply_to", *message.replyTo);
    if (message.sender)
        appendStringField(m_buffer, kIndent, "sender", *message.sender);
    if (message.senderName)
        appendStringField(m_buffer, kIndent, "sender_name", *message.senderName);
    if (message.service)
        appendStringField(m_buffer, kIndent, "service", *message.service);
    appendStringField(m_buffer, kIndent, "text", message.text);
    appendKey(m_buffer, kIndent, "timestamp");
    appendNumber(m_buffer, message.timestamp);
    m_buffer += ",\n";
    if (message.unsent)
        appendBoolField(m_buffer, kIndent, "unsent", true);
    if (!message.unsentParts.empty()) {
        appendKey(m_buffer, kIndent, "unsent_parts");
        m_buffer += "[";
        for (std::size_t i = 0; i < message.unsentParts.size(); ++i) {
            m_buffer += i == 0 ? "\n        " : ",\n        ";
            appendNumber(m_buffer, message.unsentParts[i]);
        }
        m_buffer += "\n      ],\n";
    }
    closeObject(m_buffer, "    ");
    m_sink.write(m_buffer);
}

void ConversationJsonWriter::end()
{
    // An empty list is written "[]", a filled one closes on a line of its own.
    m_sink.write(m_first ? "]" : "\n  ]");
    m_sink.write(m_tail);
}

} // namespace varnholt
