#pragma once

#include "model/messages/Attachment.h"

#include <optional>
#include <string>

namespace varnholt {

// The tapbacks of the Messages app (`associated_message_type` 2000 + the kind's number).
enum class ReactionKind { loved, liked, disliked, laughed, emphasized, questioned, emoji, sticker };

// "loved", "liked", ... as exported.
const char* reactionKindName(ReactionKind kind);
// What a reader sees in place of the kind: "❤️", "👍", ... ; the emoji itself for an emoji reaction.
std::string reactionSymbol(ReactionKind kind, const std::optional<std::string>& emoji);

// One reaction still standing on a message (removed ones are gone).
struct Reaction {
    ReactionKind kind = ReactionKind::loved;
    std::optional<std::string> emoji;  // a custom emoji reaction's emoji, when the database has one
    std::optional<Attachment> sticker; // a sticker reaction's sticker file, when the database has one
    std::optional<std::string> by;     // the reacting person's address; absent for one's own
    std::optional<std::string> byName; // their contact name, when looked up and found
    bool isFromMe = false;
    std::string date; // an Internet date-time in UTC
    int part = 0;     // which part of the message (attachments and text runs, in order)
};

} // namespace varnholt
