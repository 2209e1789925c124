#pragma once

#include "platform/UniqueNames.h"

#include <string>

namespace varnholt {

// A conversation name made safe as one file-name component by the file-name rule, with "_" for
// what it replaces: also each of ? % * | " < >, which other systems refuse in names. At most
// kMaxNameBytes bytes; an empty name becomes "conversation".
std::string sanitizeFilename(const std::string& name);

// Hands out the file names of one export's conversations, so that no conversation
// replaces another's files: a name already taken (ignoring case, for case-insensitive
// volumes) gets " (" + chat id + ")" appended.
class ConversationFileNames {
public:
    static constexpr size_t kMaxNameBytes = 200;

    std::string claim(const std::string& displayName, int chatId);

private:
    UniqueNames m_taken;
};

} // namespace varnholt
