#pragma once

#include "platform/HtmlEscape.h"

#include "model/messages/ChatRow.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

// The three renderings of one conversation. A conversation is a ConversationRecord:
// a JSON object with "chat_id", "guid", "participants", "service", "display_name",
// "message_count" and "messages" (MessageRecords in date order). Missing or mistyped
// keys never fail a writer; each falls back to a fixed text.

nlohmann::json makeConversationRecord(const ChatRow& chat, const std::string& displayName, nlohmann::json messages);

// Pretty-printed with sorted keys; invalid UTF-8 in user data is replaced, never thrown on.
std::string generateJSON(const nlohmann::json& conversation);
// A self-contained page; every piece of data is HTML-escaped, so no message can add markup.
std::string generateHTML(const nlohmann::json& conversation, const std::optional<std::string>& contactName,
                         const std::optional<std::string>& rawIdentifier);
std::string generatePlainText(const nlohmann::json& conversation, const std::optional<std::string>& contactName,
                              const std::optional<std::string>& rawIdentifier);

// "Me" for the user's own messages; else the sender's handle ("Other" without one), shown as the
// contact name when it is the conversation's own identifier.
std::string senderName(const nlohmann::json& message, const std::optional<std::string>& contactName,
                       const std::optional<std::string>& rawIdentifier);

// The part after the last "/" (trailing slashes ignored); a name without "/" is returned whole.
std::string lastPathComponent(const std::string& path);

} // namespace varnholt
