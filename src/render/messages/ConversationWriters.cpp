#include "render/messages/ConversationWriters.h"

namespace varnholt {

namespace {
std::string stringOr(const nlohmann::json& object, const char* key, const char* fallback)
{
    if (object.is_object()) {
        const auto it = object.find(key);
        if (it != object.end() && it->is_string())
            return it->get<std::string>();
    }
    return fallback;
}

long long integerOr(const nlohmann::json& object, const char* key, long long fallback)
{
    if (object.is_object()) {
        const auto it = object.find(key);
        if (it != object.end() && it->is_number_integer())
            return it->get<long long>();
    }
    return fallback;
}

bool isFromMe(const nlohmann::json& message)
{
    if (!message.is_object())
        return false;
    const auto it = message.find("is_from_me");
    return it != message.end() && it->is_boolean() && it->get<bool>();
}

// The message's attachments when it has a non-empty array of them.
const nlohmann::json* attachmentsOf(const nlohmann::json& message)
{
    if (!message.is_object())
        return nullptr;
    const auto it = message.find("attachments");
    if (it == message.end() || !it->is_array() || it->empty())
        return nullptr;
    return &*it;
}

std::string replaceLineFeeds(const std::string& text, const char* with)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\n')
            out += with;
        else
            out += c;
    }
    return out;
}

const nlohmann::json& messagesOf(const nlohmann::json& conversation)
{
    static const nlohmann::json kNone = nlohmann::json::array();
    if (!conversation.is_object())
        return kNone;
    const auto it = conversation.find("messages");
    return it != conversation.end() && it->is_array() ? *it : kNone;
}

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
} // namespace

nlohmann::json makeConversationRecord(const ChatRow& chat, const std::string& displayName, nlohmann::json messages)
{
    const size_t count = messages.size();
    return nlohmann::json{
        {"chat_id", chat.chatId},
        {"guid", chat.guid},
        {"participants", nlohmann::json::array({chat.identifier})},
        {"service", chat.service},
        {"display_name", displayName},
        {"message_count", count},
        {"messages", std::move(messages)},
    };
}

std::string generateJSON(const nlohmann::json& conversation)
{
    return conversation.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
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

std::string senderName(const nlohmann::json& message, const std::optional<std::string>& contactName,
                       const std::optional<std::string>& rawIdentifier)
{
    if (isFromMe(message))
        return "Me";
    std::string name = stringOr(message, "sender", "Other");
    if (rawIdentifier && contactName && name == *rawIdentifier)
        name = *contactName;
    return name;
}

std::string generateHTML(const nlohmann::json& conversation, const std::optional<std::string>& contactName,
                         const std::optional<std::string>& rawIdentifier)
{
    const std::string title = escapeHtml(stringOr(conversation, "display_name", "Conversation"));
    std::string html = "<!DOCTYPE html>\n<html>\n<head>\n    <meta charset=\"UTF-8\">\n    <title>";
    html += title;
    html += kStyle;
    html += title;
    html += "</h1>\n        <p>Service: ";
    html += escapeHtml(stringOr(conversation, "service", "Unknown"));
    html += " | Messages: ";
    html += std::to_string(integerOr(conversation, "message_count", 0));
    html += "</p>\n    </div>";

    for (const nlohmann::json& message : messagesOf(conversation)) {
        html += "<div class=\"message ";
        html += isFromMe(message) ? "from-me" : "from-other";
        html += "\">\n    <div><strong>";
        html += escapeHtml(senderName(message, contactName, rawIdentifier));
        html += "</strong></div>\n    <div>";
        html += replaceLineFeeds(escapeHtml(stringOr(message, "text", "")), "<br>");
        html += "</div>";
        if (const nlohmann::json* attachments = attachmentsOf(message)) {
            html += "<div class='attachment'>";
            for (const nlohmann::json& attachment : *attachments) {
                const auto filename = attachment.is_object() ? attachment.find("filename") : attachment.end();
                if (!attachment.is_object() || filename == attachment.end() || !filename->is_string())
                    continue;
                html += "\U0001F4CE ";
                html += escapeHtml(lastPathComponent(filename->get<std::string>()));
                html += " ";
            }
            html += "</div>";
        }
        html += "    <div class=\"timestamp\">";
        html += escapeHtml(stringOr(message, "date", ""));
        html += "</div>\n</div>";
    }
    html += "</body>\n</html>";
    return html;
}

std::string generatePlainText(const nlohmann::json& conversation, const std::optional<std::string>& contactName,
                              const std::optional<std::string>& rawIdentifier)
{
    const std::string rule(80, '=');
    std::string text = rule + "\n";
    text += "Conversation: " + stringOr(conversation, "display_name", "Unknown");
    text += "\nService: " + stringOr(conversation, "service", "Unknown");
    text += "\nMessages: " + std::to_string(integerOr(conversation, "message_count", 0));
    text += "\n" + rule + "\n";

    for (const nlohmann::json& message : messagesOf(conversation)) {
        text += "[" + stringOr(message, "date", "") + "] " + senderName(message, contactName, rawIdentifier) + ": " +
                stringOr(message, "text", "") + "\n";
        if (const nlohmann::json* attachments = attachmentsOf(message)) {
            text += "  Attachments: ";
            for (const nlohmann::json& attachment : *attachments) {
                const auto filename = attachment.is_object() ? attachment.find("filename") : attachment.end();
                if (!attachment.is_object() || filename == attachment.end() || !filename->is_string())
                    continue;
                text += lastPathComponent(filename->get<std::string>()) + " ";
            }
            text += "\n";
        }
        text += "\n";
    }
    return text;
}

} // namespace varnholt
