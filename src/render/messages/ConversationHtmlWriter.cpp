#include "render/messages/ConversationHtmlWriter.h"

#include "platform/HtmlEscape.h"
#include "render/messages/ConversationWriters.h"

namespace varnholt {

namespace {
constexpr const char* kStyle =
    "</title>\n    <style>\n"
    "        body { font-family: -apple-system, BlinkMacSystemFont, 'Segoe UI', Roboto, sans-serif; padding: 20px; "
    "max-width: 800px; margin: 0 auto; }\n"
    "        .header { border-bottom: 2px solid #007AFF; padding-bottom: 10px; margin-bottom: 20px; }\n"
    "        .message { margin: 15px 0; padding: 10px; border-radius: 10px; }\n"
    "        .from-me { background: #007AFF; color: white; margin-left: 20%; text-align: right; }\n"
    "        .from-other { background: #E5E5EA; color: black; margin-right: 20%; }\n"
    "        .timestamp { font-size: 0.8em; opacity: 0.7; margin-top: 5px; }\n"
    "        .attachment { font-style: italic; color: #666; }\n"
    "        .day { text-align: center; color: #666; font-size: 0.85em; margin: 25px 0 10px; }\n"
    "        .event { text-align: center; color: #666; font-size: 0.9em; margin: 10px 0; }\n"
    "        .reply { font-size: 0.85em; border-left: 3px solid #999; padding-left: 6px; margin-bottom: 5px; "
    "opacity: 0.85; }\n"
    "        .reply a { color: inherit; }\n"
    "        .unsent { font-style: italic; opacity: 0.7; }\n"
    "        .edits, .note { font-size: 0.8em; opacity: 0.8; margin-top: 5px; }\n"
    "        .reactions { font-size: 0.9em; margin-top: 5px; }\n"
    "        .attachment img, .attachment video { max-width: 100%; max-height: 400px; display: block; "
    "margin: 5px 0; }\n"
    "        .missing { color: #a00; }\n"
    "        .reactions img.sticker { height: 2em; vertical-align: middle; }\n"
    "        @media print {\n"
    "            body { max-width: none; padding: 0; }\n"
    "            .message { break-inside: avoid; border: 1px solid #999; }\n"
    "            .from-me, .from-other { background: none; color: black; }\n"
    "            audio, video { display: none; }\n"
    "        }\n"
    "    </style>\n</head>\n<body>\n    <div class=\"header\">\n        <h1>";

// Escaped, with every line feed shown as a line break.
void appendEscapedLines(std::string& out, std::string_view text)
{
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find('\n', start);
        appendEscapedHtml(out, text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            return;
        out += "<br>";
        start = end + 1;
    }
}
} // namespace

void ConversationHtmlWriter::begin(const Conversation& conversation, const std::string& displayName,
                                   long long messageCount)
{
    m_identifier = conversation.identifier;
    m_displayName = displayName;
    m_day.clear();
    m_anchors.clear();
    m_buffer = "<!DOCTYPE html>\n<html>\n<head>\n    <meta charset=\"UTF-8\">\n    <title>";
    appendEscapedHtml(m_buffer, displayName);
    m_buffer += kStyle;
    appendEscapedHtml(m_buffer, displayName);
    m_buffer += "</h1>\n        <p>Service: ";
    appendEscapedHtml(m_buffer, conversation.service);
    m_buffer += " | Messages: ";
    m_buffer += std::to_string(messageCount);
    m_buffer += "</p>\n    </div>";
    m_sink.write(m_buffer);
}

namespace {
std::string anchor(std::int64_t id)
{
    return "m" + std::to_string(id);
}

void appendAttachmentHtml(std::string& out, const Attachment& attachment)
{
    if (!attachment.filename)
        return;
    const std::string name = lastPathComponent(*attachment.filename);
    if (attachment.missing) {
        out += "<div class=\"missing\">Missing attachment: ";
        appendEscapedHtml(out, name);
        out += "</div>";
        return;
    }
    if (!attachment.exportedPath) {
        out += "\U0001F4CE ";
        appendEscapedHtml(out, name);
        out += " ";
        return;
    }
    // The page sits in html/, the copies in attachments/: a relative link that works wherever the export goes.
    const std::string source = "../" + encodeRelativeUrl(*attachment.exportedPath);
    const std::string mime = attachment.mimeType.value_or("");
    if (mime.rfind("image/", 0) == 0) {
        out += "<img src=\"" + escapeHtml(source) + "\" alt=\"";
        appendEscapedHtml(out, name);
        out += "\">";
    } else if (mime.rfind("video/", 0) == 0) {
        out += "<video controls preload=\"none\" src=\"" + escapeHtml(source) + "\"></video>";
    } else if (mime.rfind("audio/", 0) == 0) {
        out += "<audio controls preload=\"none\" src=\"" + escapeHtml(source) + "\"></audio>";
    }
    out += "<div>\U0001F4CE <a href=\"" + escapeHtml(source) + "\">";
    appendEscapedHtml(out, name);
    out += attachment.isSticker ? "</a> (sticker)</div>" : "</a></div>";
}
} // namespace

void ConversationHtmlWriter::add(const Message& message)
{
    const std::string_view name = senderName(message, m_identifier, m_displayName);
    m_buffer.clear();
    if (const std::string_view day = std::string_view(message.date).substr(0, 10); day != m_day) {
        m_day = day;
        m_buffer += "<div class=\"day\">";
        appendEscapedHtml(m_buffer, dayHeading(message.date));
        m_buffer += "</div>\n";
    }
    if (message.event) {
        m_buffer += "<div class=\"event\" id=\"" + anchor(message.id) + "\">";
        m_anchors.insert(message.id);
        appendEscapedHtml(m_buffer, eventLine(*message.event, message.isFromMe ? std::string_view("You") : name));
        m_buffer += " <span class=\"timestamp\">";
        appendEscapedHtml(m_buffer, message.date);
        m_buffer += "</span></div>";
        m_sink.write(m_buffer);
        return;
    }
    m_buffer += "<div class=\"message ";
    m_buffer += message.isFromMe ? "from-me" : "from-other";
    m_buffer += "\" id=\"" + anchor(message.id) + "\">\n    <div><strong>";
    m_anchors.insert(message.id);
    appendEscapedHtml(m_buffer, name);
    m_buffer += "</strong></div>\n";
    if (message.replyTo) {
        m_buffer += "    <div class=\"reply\">\u21AA ";
        if (message.replyToId && m_anchors.count(*message.replyToId)) {
            m_buffer += "<a href=\"#" + anchor(*message.replyToId) + "\">";
            appendEscapedHtml(m_buffer, message.replyQuote.value_or(""));
            m_buffer += "</a>";
        } else if (message.replyToId) {
            // The original is in another conversation or left out by the dates: no link that leads nowhere.
            appendEscapedHtml(m_buffer, message.replyQuote.value_or(""));
        } else {
            m_buffer += "in reply to a message not in this export";
        }
        m_buffer += "</div>\n";
    }
    if (message.unsent) {
        m_buffer += "    <div class=\"unsent\">";
        appendEscapedHtml(m_buffer, unsentLine(message, name));
        m_buffer += "</div>";
    } else {
        m_buffer += "    <div>";
        appendEscapedLines(m_buffer, message.text);
        m_buffer += "</div>";
    }
    if (!message.attachments.empty()) {
        m_buffer += "<div class='attachment'>";
        for (const Attachment& attachment : message.attachments)
            appendAttachmentHtml(m_buffer, attachment);
        m_buffer += "</div>";
    }
    if (!message.edits.empty()) {
        m_buffer += "<div class=\"edits\">Edited. Earlier versions:<ol>";
        for (const Edit& edit : message.edits) {
            m_buffer += "<li>";
            appendEscapedLines(m_buffer, edit.text);
            m_buffer += " <span class=\"timestamp\">";
            appendEscapedHtml(m_buffer, edit.date);
            m_buffer += "</span></li>";
        }
        m_buffer += "</ol></div>";
    }
    std::string note;
    if (!message.unsentParts.empty())
        note += "Part of this message was unsent. ";
    if (message.effect)
        note += "Sent with " + *message.effect + ". ";
    if (message.app)
        note += *message.app + ". ";
    if (message.isAudio)
        note += "Audio message. ";
    if (!note.empty()) {
        note.pop_back();
        m_buffer += "<div class=\"note\">";
        appendEscapedHtml(m_buffer, note);
        m_buffer += "</div>";
    }
    if (!message.reactions.empty()) {
        m_buffer += "<div class=\"reactions\">";
        for (std::size_t i = 0; i < message.reactions.size(); ++i) {
            const Reaction& reaction = message.reactions[i];
            if (i > 0)
                m_buffer += ", ";
            if (reaction.sticker && reaction.sticker->exportedPath) {
                m_buffer += "<img class=\"sticker\" src=\"" +
                            escapeHtml("../" + encodeRelativeUrl(*reaction.sticker->exportedPath)) + "\" alt=\"";
                appendEscapedHtml(m_buffer, reactionSymbol(reaction.kind, reaction.emoji));
                m_buffer += "\">";
            } else {
                appendEscapedHtml(m_buffer, reactionSymbol(reaction.kind, reaction.emoji));
            }
            m_buffer += ' ';
            appendEscapedHtml(m_buffer, reactorName(reaction));
        }
        m_buffer += "</div>";
    }
    m_buffer += "    <div class=\"timestamp\">";
    appendEscapedHtml(m_buffer, message.date);
    m_buffer += "</div>\n</div>";
    m_sink.write(m_buffer);
}

void ConversationHtmlWriter::end()
{
    m_sink.write("</body>\n</html>");
}

} // namespace varnholt
