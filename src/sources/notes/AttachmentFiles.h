#pragma once

#include "model/notes/Attachment.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnholt::notesdb {

// Where the file an attachment shows lies in the Notes container: its own file under Media, or,
// for drawings, scans and pages, the image or PDF Notes rendered for it (fallback images and PDFs,
// previews). Candidates are tried in a fixed order; folders are never walked, and no name from the
// store can lead out of the container.
class AttachmentFiles {
public:
    explicit AttachmentFiles(std::string containerFolder);

    // Sets each attachment's file (and where it came from) and traces what the store does not hold.
    void locate(std::int64_t noteId, const std::string& accountIdentifier, std::vector<Attachment>& attachments) const;

private:
    std::optional<std::string> mediaFolder(const std::string& accountIdentifier, const std::string& mediaIdentifier,
                                           const std::string& filename) const;

    std::string m_containerFolder;
};

} // namespace varnholt::notesdb
