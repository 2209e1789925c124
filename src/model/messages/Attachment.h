#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace varnholt {

// One file attached to a message, with the NULL rules applied.
struct Attachment {
    std::int64_t id = 0;
    std::string guid;                        // "" when the database has none
    std::optional<std::string> filename;     // as stored, "~" standing for the home folder
    std::optional<std::string> expandedPath; // the filename with every "~" replaced; present with it
    std::optional<std::string> mimeType;
    std::int64_t size = 0; // 0 when the database has none
    bool isSticker = false;
    // Set by the export: where the copy went, relative to the messages folder ("attachments/<chat>/<name>"),
    // or that the file was not there to copy.
    std::optional<std::string> exportedPath;
    bool missing = false;
};

} // namespace varnholt
