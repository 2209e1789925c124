#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnholt::notesdb {

// What an attachment is, as far as showing it goes.
enum class AttachmentKind { image, pdf, audio, video, link, table, inlineText, file };

// From the type the store names (UTI), else from the file name's extension.
AttachmentKind attachmentKind(std::string_view typeUti, std::string_view filename = {});
// "image", "pdf", "audio", "video", "link", "table", "inline", "file".
std::string_view attachmentKindName(AttachmentKind kind);

// One attachment of a note as the store lists it.
struct Attachment {
    std::int64_t id = 0;
    std::optional<std::string> filename;
    // The folder that holds the file under the source home (modern stores), or the
    // media reference as stored (legacy stores); absent when there is no file.
    std::optional<std::string> directory;
    std::optional<std::string> typeUTI;
    std::optional<std::string> identifier;
    // A link card's address and the title of the page it shows.
    std::optional<std::string> url;
    std::optional<std::string> title;

    AttachmentKind kind() const { return attachmentKind(typeUTI.value_or(""), filename.value_or("")); }
};

} // namespace varnholt::notesdb
