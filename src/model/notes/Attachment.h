#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace varnholt::notesdb {

// One attachment of a note as the store lists it.
struct Attachment {
    std::int64_t id = 0;
    std::optional<std::string> filename;
    // The folder that holds the file under the source home (modern stores), or the
    // media reference as stored (legacy stores); absent when there is no file.
    std::optional<std::string> directory;
    std::optional<std::string> typeUTI;
    std::optional<std::string> identifier;
};

} // namespace varnholt::notesdb
