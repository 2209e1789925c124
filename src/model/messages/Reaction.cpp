#include "model/messages/Reaction.h"

namespace varnholt {

const char* reactionKindName(ReactionKind kind)
{
    switch (kind) {
    case ReactionKind::loved:
        return "loved";
    case ReactionKind::liked:
        return "liked";
    case ReactionKind::disliked:
        return "disliked";
    case ReactionKind::laughed:
        return "laughed";
    case ReactionKind::emphasized:
        return "emphasized";
    case ReactionKind::questioned:
        return "questioned";
    case ReactionKind::emoji:
        return "emoji";
    case ReactionKind::sticker:
        return "sticker";
    }
    return "loved";
}

std::string reactionSymbol(ReactionKind kind, const std::optional<std::string>& emoji)
{
    switch (kind) {
    case ReactionKind::loved:
        return "\u2764\uFE0F";
    case ReactionKind::liked:
        return "\U0001F44D";
    case ReactionKind::disliked:
        return "\U0001F44E";
    case ReactionKind::laughed:
        return "\U0001F602";
    case ReactionKind::emphasized:
        return "\u203C\uFE0F";
    case ReactionKind::questioned:
        return "\u2753";
    case ReactionKind::emoji:
        return emoji && !emoji->empty() ? *emoji : std::string("\U0001F642");
    case ReactionKind::sticker:
        return "\U0001F5BC\uFE0F";
    }
    return {};
}

} // namespace varnholt
