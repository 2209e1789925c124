#include "render/messages/ConversationFileNames.h"

#include "platform/FileNameRule.h"

namespace varnholt {

std::string sanitizeFilename(const std::string& name)
{
    static const FileNameRule kRule =
        FileNameRule("conversation", ConversationFileNames::kMaxNameBytes).replacingWith('_').alsoReplacing("?%*|\"<>");
    return kRule.apply(name);
}

std::string ConversationFileNames::claim(const std::string& displayName, int chatId)
{
    return m_taken.claimWithIdentifier(sanitizeFilename(displayName), "", std::to_string(chatId));
}

} // namespace varnholt
