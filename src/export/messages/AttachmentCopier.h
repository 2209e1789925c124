#pragma once

#include "platform/UniqueNames.h"

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
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
    // `locate`: where the file of an expanded stored name is read from (the name itself when unset).
    AttachmentCopier(std::string homeDirectory, std::filesystem::path attachmentsFolder,
                     const std::string& containingFolder = {},
                     std::function<std::string(const std::string&)> locate = {});

    // The copies of one conversation, made as its messages are read.
    struct ConversationState {
        std::string name;
        std::filesystem::path folder;
        bool folderReady = false;
        std::map<std::string, std::string> copiedSources; // resolved source -> name of its copy
        UniqueNames usedNames;
    };
    enum class Outcome { copied, missing, skipped };
    struct Copy {
        Outcome outcome = Outcome::skipped;
        std::string relativePath; // "attachments/<conversation>/<name>" of a copy
    };

    ConversationState conversation(const std::string& conversationName) const;
    // Copies a file once, named by the file-name rule; two different files with the same name are both
    // kept, the later as "name (2).ext", "name (3).ext"... A file named again gives its first copy.
    Copy copyAttachment(const std::string& storedName, ConversationState& state) const;
    // Copies each distinct file once; returns how many were copied.
    size_t copyConversation(const std::vector<std::string>& storedNames, const std::string& conversationName) const;

private:
    std::string m_home;
    std::filesystem::path m_resolvedHome; // symbolic links resolved, once
    std::filesystem::path m_attachmentsFolder;
    std::function<std::string(const std::string&)> m_locate;
};

} // namespace varnholt
