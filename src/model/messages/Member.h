#pragma once

#include <optional>
#include <string>

namespace varnholt {

// One person of a conversation (a row of `chat_handle_join`), whether or not they ever wrote.
struct Member {
    std::string id;                  // the handle's address: a phone number or an e-mail address
    std::optional<std::string> name; // the address book's name, when contact names are looked up and found
};

} // namespace varnholt
