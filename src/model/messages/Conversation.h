#pragma once

#include "model/messages/Member.h"

#include <optional>
#include <string>
#include <vector>

namespace varnholt {

// How the Messages app holds a conversation (`chat.style`).
enum class ConversationStyle { unknown, oneToOne, group };

// One conversation (a row of `chat` that has messages), with the NULL rules applied.
struct Conversation {
    int chatId = 0;
    std::string guid;                       // "" when the database has none
    std::string identifier;                 // "unknown" when the database has none
    std::string service;                    // "iMessage" when the database has none
    std::optional<std::string> displayName; // as stored: absent for NULL, and real databases store "" for none
    ConversationStyle style = ConversationStyle::unknown;
    std::vector<Member> members; // from chat_handle_join, in handle order

    // Real databases store "" where a conversation has no name of its own, so only a non-empty one counts.
    bool hasStoredName() const { return displayName && !displayName->empty(); }
    // The stored display name when there is one, else the identifier.
    const std::string& nameOrIdentifier() const { return hasStoredName() ? *displayName : identifier; }
    bool isGroup() const
    {
        return style == ConversationStyle::group || (style == ConversationStyle::unknown && members.size() > 1);
    }
};

// The name people see for a conversation: its stored name; else, for one-to-one, the contact's name
// (`identifierName`) or the identifier; else, for a group, its members ("Ada Byron, Bob & 2 more", contact
// names where known), or the identifier when it has none.
std::string conversationTitle(const Conversation& conversation, const std::optional<std::string>& identifierName);

} // namespace varnholt
