#pragma once

#include "sources/Source.h"

namespace varnholt {

// A Mac home folder (the user's own, a copy, or a mounted backup of one): every store sits at the
// place macOS keeps it below `Library/`.
class MacHomeSource final : public Source {
public:
    explicit MacHomeSource(std::string home);
    static SourcePtr make(std::string home) { return std::make_shared<MacHomeSource>(std::move(home)); }

    const std::string& root() const override { return m_home; }
    SourceDescription describe() const override;
    std::string accessProbe(ExporterType type) const override;
    std::string messagesDatabase() const override;
    std::string messagesHome() const override { return m_home; }
    std::string messagesAttachments() const override;
    std::vector<std::string> contactsDatabases() const override;
    std::string notesContainer() const override;
    std::string notesStore() const override;
    std::vector<std::string> recordingFolders() const override;

private:
    std::string m_home;
};

} // namespace varnholt
