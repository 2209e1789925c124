#include "render/messages/ConversationFileNames.h"

#include <algorithm>
#include <string_view>

namespace varnholt {

namespace {
bool isForbidden(unsigned char c)
{
    static constexpr std::string_view kForbidden = "/\\?%*|\"<>:";
    return c < 0x20 || c == 0x7F || kForbidden.find(static_cast<char>(c)) != std::string_view::npos;
}

std::string lowerAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}
} // namespace

std::string sanitizeFilename(const std::string& name)
{
    std::string safe;
    safe.reserve(name.size());
    for (const char c : name)
        safe += isForbidden(static_cast<unsigned char>(c)) ? '_' : c;

    if (safe.size() > ConversationFileNames::kMaxNameBytes) {
        size_t cut = ConversationFileNames::kMaxNameBytes;
        // Back up over continuation bytes so that no character is split.
        while (cut > 0 && (static_cast<unsigned char>(safe[cut]) & 0xC0) == 0x80)
            --cut;
        safe.resize(cut);
    }
    if (!safe.empty() && safe.find_first_not_of('.') == std::string::npos)
        std::replace(safe.begin(), safe.end(), '.', '_');
    if (safe.empty())
        return "conversation";
    return safe;
}

std::string ConversationFileNames::claim(const std::string& displayName, int chatId)
{
    const std::string base = sanitizeFilename(displayName);
    std::string name = base;
    for (int attempt = 1; m_taken.count(lowerAscii(name)); ++attempt) {
        name = base + " (" + std::to_string(chatId);
        if (attempt > 1)
            name += "-" + std::to_string(attempt);
        name += ")";
    }
    m_taken.insert(lowerAscii(name));
    return name;
}

} // namespace varnholt
