#include "export/messages/AttachmentCopier.h"

#include "platform/FileCopy.h"
#include "platform/FileNameRule.h"
#include "platform/Files.h"
#include "platform/Trace.h"
#include "render/messages/ConversationWriters.h"

#include <algorithm>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

// Writes why an attachment is left out; returns the result of a skipped copy.
AttachmentCopier::Copy skip(const std::string& source, const std::string& why)
{
    Trace::line("[MessagesExporter] \u26A0\uFE0F Attachment skipped (" + why + "): " + source);
    return {};
}

} // namespace

AttachmentCopier::AttachmentCopier(std::string homeDirectory, fs::path attachmentsFolder,
                                   const std::string& containingFolder,
                                   std::function<std::string(const std::string&)> locate)
    : m_home(std::move(homeDirectory)), m_attachmentsFolder(std::move(attachmentsFolder)), m_locate(std::move(locate))
{
    // A backup's attachments are links into the backup folder; a Mac home's lie in the home itself.
    const std::string container = containingFolder.empty() ? m_home : containingFolder;
    std::error_code ec;
    m_resolvedHome = fs::weakly_canonical(container.empty() ? fs::path("/") : fs::path(container), ec);
    if (ec)
        m_resolvedHome = fs::path(container).lexically_normal();
}

AttachmentCopier::ConversationState AttachmentCopier::conversation(const std::string& conversationName) const
{
    ConversationState state;
    state.name = conversationName;
    state.folder = m_attachmentsFolder / conversationName;
    return state;
}

size_t AttachmentCopier::copyConversation(const std::vector<std::string>& storedNames,
                                          const std::string& conversationName) const
{
    ConversationState state = conversation(conversationName);
    std::set<std::string> copies;
    for (const std::string& storedName : storedNames)
        if (Copy copy = copyAttachment(storedName, state); copy.outcome == Outcome::copied)
            copies.insert(copy.relativePath);
    return copies.size();
}

AttachmentCopier::Copy AttachmentCopier::copyAttachment(const std::string& storedName, ConversationState& state) const
{
    std::string source;
    for (const char c : storedName) {
        if (c == '~')
            source += m_home;
        else
            source += c;
    }
    // The name stays the one the database gives; the bytes may lie elsewhere (a backup's hashed file).
    const std::string file = m_locate ? m_locate(source) : source;
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        skip(source, "not found");
        return Copy{Outcome::missing, {}};
    }
    const std::string name = lastPathComponent(source);
    std::string extension = fs::path(name).extension().string();
    if (lower(extension) == ".pluginpayloadattachment")
        return {};
    if (name.empty() || name == "." || name == ".." || name == "/")
        return skip(source, "no file name");

    // Only files of the home folder are exported, whatever the database names; and only regular files,
    // since copying a device or a pipe would never end.
    const fs::path resolved = fs::weakly_canonical(file, ec);
    if (ec || !isWithin(m_resolvedHome, resolved))
        return skip(source, "outside the home folder");
    if (!fs::is_regular_file(resolved, ec))
        return skip(source, "not a regular file");
    if (auto earlier = state.copiedSources.find(resolved.string()); earlier != state.copiedSources.end())
        return Copy{Outcome::copied, earlier->second}; // the same file, named twice

    if (!state.folderReady) {
        if (auto created = createDirectories(state.folder); !created)
            throw created.error();
        state.folderReady = true;
    }
    static const FileNameRule kRule = FileNameRule("attachment", 255).replacingWith('_');
    const fs::path safe = kRule.apply(name);
    const std::string target = state.usedNames.claim(safe.stem().string(), safe.extension().string());

    // Whatever an earlier export left under this name is replaced, never written through (it may be a link).
    if (auto copy = copyFileAtomically(resolved, state.folder / target); !copy) {
        // An attachment the source cannot give is skipped; an output that cannot take it ends the export.
        if (copy.error().side == CopySide::output)
            throw copy.error().error;
        return skip(source, copy.error().error.code().message());
    }
    std::string relative = "attachments/" + state.name + "/" + target;
    state.copiedSources.emplace(resolved.string(), relative);
    return Copy{Outcome::copied, std::move(relative)};
}

} // namespace varnholt
