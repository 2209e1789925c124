#pragma once

#include <optional>
#include <string>

namespace varnholt {

// One conversation as the conversation query returns it, with the NULL rules applied.
struct ChatRow {
    int chatId = 0;
    std::string guid;
    std::string identifier;                 // "unknown" when the database has none
    std::string service;                    // "iMessage" when the database has none
    std::optional<std::string> displayName; // absent only for NULL; "" is a name

    // The stored display name when there is one, else the identifier.
    const std::string& nameOrIdentifier() const { return displayName ? *displayName : identifier; }
};

// Whether an export is limited to the first few conversations.
enum class TestMode { off, on };

} // namespace varnholt
