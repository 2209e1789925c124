#pragma once

#include "model/messages/Attachment.h"
#include "model/messages/GroupEvent.h"
#include "model/messages/Reaction.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnholt {

// An earlier version of an edited message part.
struct Edit {
    std::string date; // an Internet date-time in UTC
    std::string text;
};

// One message of a conversation, with the NULL rules applied.
struct Message {
    std::int64_t id = 0;
    std::string guid; // "" when the database has none
    // The `text` column, else the text of `attributedBody`, else the current version of an edited message, else "".
    std::string text;
    std::optional<std::string> service;
    // `timestamp` as an Internet date-time in UTC.
    std::string date;
    // As stored: nanoseconds since 2001-01-01, or seconds in older databases.
    std::int64_t timestamp = 0;
    bool isFromMe = false;
    // The handle's address (phone number or e-mail); absent when the message has no handle.
    std::optional<std::string> sender;
    // The sender's contact name, when looked up and found.
    std::optional<std::string> senderName;
    std::vector<Attachment> attachments;

    std::vector<Reaction> reactions; // oldest first
    // The GUID of the message this one answers, its row id (an anchor) and the start of its text.
    std::optional<std::string> replyTo;
    std::optional<std::int64_t> replyToId;
    std::optional<std::string> replyQuote;
    std::optional<GroupEvent> event;
    std::vector<Edit> edits;           // earlier versions, oldest first
    bool unsent = false;               // every part taken back
    std::vector<int> unsentParts;      // parts taken back from a message that keeps others
    std::optional<std::string> effect; // "Slam", "Confetti", ...
    std::optional<std::string> app;    // "Link preview", "Apple Pay", ..., or a third-party app's bundle name
    bool isAudio = false;
};

} // namespace varnholt
