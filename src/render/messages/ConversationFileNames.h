#pragma once

#include <set>
#include <string>

namespace varnholt {

// A conversation name made safe as one file-name component: each of / \ ? % * | " < > :
// and each control character becomes "_", a name of dots only becomes underscores (so
// "." and ".." cannot name a folder above), the result is cut to at most
// kMaxNameBytes bytes on a UTF-8 character boundary, and an empty name becomes
// "conversation".
std::string sanitizeFilename(const std::string& name);

// Hands out the file names of one export's conversations, so that no conversation
// replaces another's files: a name already taken (ignoring ASCII case, for
// case-insensitive volumes) gets " (" + chat id + ")" appended.
class ConversationFileNames {
public:
    static constexpr size_t kMaxNameBytes = 200;

    std::string claim(const std::string& displayName, int chatId);

private:
    std::set<std::string> m_taken; // lower-cased
};

} // namespace varnholt
