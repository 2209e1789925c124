#pragma once

#include "model/messages/Attachment.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnholt {

// One message of a conversation, with the NULL rules applied.
struct Message {
    std::int64_t id = 0;
    std::string guid; // "" when the database has none
    // The `text` column, else the text of `attributedBody`, else "".
    std::string text;
    std::optional<std::string> service;
    // `timestamp` as an Internet date-time in UTC.
    std::string date;
    // As stored: nanoseconds since 2001-01-01, or seconds in older databases.
    std::int64_t timestamp = 0;
    bool isFromMe = false;
    // The handle's address (phone number or e-mail); absent when the message has no handle.
    std::optional<std::string> sender;
    std::vector<Attachment> attachments;
};

} // namespace varnholt
