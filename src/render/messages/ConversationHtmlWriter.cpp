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

void ConversationHtmlWriter::add(const Message& message)
{
    m_buffer = "<div class=\"message ";
    m_buffer += message.isFromMe ? "from-me" : "from-other";
    m_buffer += "\">\n    <div><strong>";
    appendEscapedHtml(m_buffer, senderName(message, m_identifier, m_displayName));
    m_buffer += "</strong></div>\n    <div>";
    appendEscapedLines(m_buffer, message.text);
    m_buffer += "</div>";
    if (!message.attachments.empty()) {
        m_buffer += "<div class='attachment'>";
        for (const Attachment& attachment : message.attachments) {
            if (!attachment.filename)
                continue;
            m_buffer += "\U0001F4CE ";
            appendEscapedHtml(m_buffer, lastPathComponent(*attachment.filename));
            m_buffer += " ";
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
