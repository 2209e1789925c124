#pragma once

#include "model/notes/NoteDocument.h"
#include "model/notes/NoteTable.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace varnholt {

// How an attachment appears in a rendered note.
struct RenderedAttachment {
    enum class Kind { image, file, audio, video, link, table, inlineText, gallery, missing };
    Kind kind = Kind::missing;
    std::string relativePath;                  // below the note's HTML file, e.g. "Title_files/photo.jpg"
    std::string name;                          // shown for files, inline text (a hashtag) and missing attachments
    const notesdb::NoteTable* table = nullptr; // the cells of a table, when they could be read
    std::vector<RenderedAttachment> pages;     // a gallery's (scanned document's) pages, in order
};

// Renders a note body as formatted HTML (the inside of <body>): paragraphs as
// <div>, title/heading/subheading as h1/h2/h3, monospaced paragraphs as <pre>,
// nested bulleted, dashed and numbered lists, checklists with disabled boxes,
// bold, italic, underline, strike-through, links and attachments; tables as <table> with each
// cell's formatting. Every piece
// of text is escaped; links keep only safe schemes.
class NoteHtmlRenderer {
public:
    using ResolveAttachment = std::function<RenderedAttachment(const notesdb::NoteDocument::AttachmentReference&)>;

    explicit NoteHtmlRenderer(ResolveAttachment resolve) : m_resolve(std::move(resolve)) {}

    std::string renderBody(const notesdb::NoteDocument& document) const;

    // A whole HTML page for one note.
    static std::string page(const std::string& title, const std::string& body);

private:
    ResolveAttachment m_resolve;
};

} // namespace varnholt
