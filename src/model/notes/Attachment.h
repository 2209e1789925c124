#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnholt::notesdb {

// What an attachment is, as far as showing it goes.
enum class AttachmentKind {
    image,
    pdf,
    audio,
    video,
    link,
    table,
    inlineText,
    file,
    drawing,
    scan,
    gallery,
    hashtag,
    mention,
    noteLink
};

// From the type the store names (UTI), else from the file name's extension.
AttachmentKind attachmentKind(std::string_view typeUti, std::string_view filename = {});
// "image", "pdf", "audio", "video", "link", "table", "inline", "file", "drawing", "scan", "gallery",
// "hashtag", "mention", "note_link".
std::string_view attachmentKindName(AttachmentKind kind);
// Kinds shown as their text (a hashtag, a mention, a link to another note, a calculation).
bool isInlineKind(AttachmentKind kind);

// One attachment of a note as the store lists it.
struct Attachment {
    // Where the file shown for the attachment comes from: its own file, or an image or PDF Notes
    // rendered from it (drawings and scans have no file of their own).
    enum class FileSource { none, original, fallbackImage, fallbackPdf, preview };

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
    // The text a hashtag, mention or other inline attachment shows.
    std::optional<std::string> text;
    // The gallery (scanned document) this attachment is a page of.
    std::optional<std::int64_t> parent;
    // What the store keeps to find the rendered images: the generation folders of the fallback
    // image and PDF, and the largest preview's identifier and generation.
    std::optional<std::string> fallbackImageGeneration;
    std::optional<std::string> fallbackPdfGeneration;
    std::optional<std::string> previewIdentifier;
    std::optional<std::string> previewGeneration;
    // The file to show, once located: the original in directory/filename, or a rendered stand-in.
    FileSource fileSource = FileSource::none;
    std::optional<std::string> standInFile;

    AttachmentKind kind() const { return attachmentKind(typeUTI.value_or(""), filename.value_or("")); }
    // The whole path of the file to show, if any was found.
    std::optional<std::string> shownFile() const;
};

// "original", "fallback_image", "fallback_pdf", "preview"; empty for none.
std::string_view fileSourceName(Attachment::FileSource source);

} // namespace varnholt::notesdb
