#pragma once

#include "model/messages/DateWindow.h"

#include <string>
#include <vector>

namespace varnholt {

// What a Messages export keeps: messages within `window`, of the conversations that match one of `chats`
// (by name, identifier or member, ignoring case; every conversation when there are none).
struct MessagesFilter {
    DateWindow window;
    std::vector<std::string> chats;

    bool isEmpty() const { return window.isOpen() && chats.empty(); }
};

} // namespace varnholt
