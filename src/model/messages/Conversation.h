#pragma once

#include <optional>
#include <string>

namespace varnholt {

// One conversation (a row of `chat` that has messages), with the NULL rules applied.
struct Conversation {
    int chatId = 0;
    std::string guid;                       // "" when the database has none
    std::string identifier;                 // "unknown" when the database has none
    std::string service;                    // "iMessage" when the database has none
    std::optional<std::string> displayName; // absent only for NULL; "" is a name

    // The stored display name when there is one, else the identifier.
    const std::string& nameOrIdentifier() const { return displayName ? *displayName : identifier; }
};

} // namespace varnholt
