#pragma once

#include "platform/UniqueNames.h"

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace varnholt {

// Copies the attachment files of one conversation into attachments/<conversation>,
// by their stored names ("~" stands for the home folder). Sources are only read.
// Never fails the export: a missing file, a plug-in payload, a file outside the
// home folder or a failed copy is skipped with a trace line.
class AttachmentCopier {
public:
    // `containingFolder`: only files that lie below it, after following links, are copied (the
    // source's root; the home folder when empty).
    AttachmentCopier(std::string homeDirectory, std::filesystem::path attachmentsFolder,
                     const std::string& containingFolder = {});

    // Copies each distinct file once, named by the file-name rule; two different files with
    // the same name are both kept, the later as "name (2).ext", "name (3).ext"... Returns how
    // many were copied.
    size_t copyConversation(const std::vector<std::string>& storedNames, const std::string& conversationName) const;

private:
    struct ConversationState {
        std::filesystem::path folder;
        bool folderReady = false;
        std::set<std::string> copiedSources;
        UniqueNames usedNames;
    };
    bool copyAttachment(const std::string& storedName, ConversationState& state) const;

    std::string m_home;
    std::filesystem::path m_resolvedHome; // symbolic links resolved, once
    std::filesystem::path m_attachmentsFolder;
};

} // namespace varnholt
