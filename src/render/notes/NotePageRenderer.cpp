#include "render/notes/NotePageRenderer.h"

#include "platform/HtmlEscape.h"
#include "platform/UniqueNames.h"
#include "render/notes/NoteHtmlRenderer.h"
#include "render/notes/NotePageNames.h"

#include <filesystem>

namespace varnholt::notesapp {

namespace fs = std::filesystem;
using notesdb::Note;
using notesdb::NoteDocument;

namespace {

// Plain text (from stores whose bodies are not structured) as paragraphs.
std::string plainParagraphs(const std::string& text)
{
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        out += line.empty() ? "<div><br></div>\n" : "<div>" + escapeHtml(line) + "</div>\n";
        if (end == text.size())
            break;
        start = end + 1;
    }
    return out;
}

} // namespace

std::string NotePageRenderer::lockedPlaceholder(const Note& note)
{
    if (note.lock == notesdb::LockKind::devicePasscode)
        return "This note is locked with the device passcode; a password cannot open it.";
    return kLockedPlaceholder;
}

NotePage NotePageRenderer::render(const Note& note, const std::string& filesFolderName,
                                  const std::set<std::string>& unavailable)
{
    using notesdb::AttachmentKind;
    const std::string title = note.title && !note.title->empty() ? *note.title : "Untitled";
    NotePage page;
    if (note.isLocked && !note.unlocked) {
        page.html =
            NoteHtmlRenderer::page(title, "<div><h1>" + escapeHtml(title) + "</h1></div>\n<div><br></div>\n<div>" +
                                              escapeHtml(lockedPlaceholder(note)) + "</div>\n");
        return page;
    }

    UniqueNames usedNames;
    // The name in the note's folder of the file an attachment shows, or nothing when it shows none
    // or its file could not be read.
    auto copyShown = [&](const notesdb::Attachment& attachment) -> std::optional<std::string> {
        const auto source = attachment.shownFile();
        if (!source)
            return std::nullopt;
        // A rendered stand-in is named for what it shows ("drawing.png"), not "FallbackImage.png".
        const std::string shownName =
            attachment.fileSource == notesdb::Attachment::FileSource::original
                ? *attachment.filename
                : (attachment.filename ? fs::path(*attachment.filename).stem().string()
                                       : std::string(notesdb::attachmentKindName(attachment.kind()))) +
                      fs::path(*source).extension().string();
        const fs::path safe = NotePageNames::attachment(shownName);
        // The name is claimed even when the file cannot be read, so the names of the others never
        // depend on that.
        const std::string name = usedNames.claim(safe.stem().string(), safe.extension().string());
        if (unavailable.count(*source))
            return std::nullopt;
        page.files.push_back({*source, name});
        return name;
    };
    auto shown = [&](const notesdb::Attachment& attachment, const std::string& name) {
        RenderedAttachment rendered;
        // A stand-in is what its file is: a drawing's image, a PDF's preview.
        const bool original = attachment.fileSource == notesdb::Attachment::FileSource::original;
        switch (notesdb::attachmentKind(original ? attachment.typeUTI.value_or("") : "", name)) {
        case AttachmentKind::image:
            rendered.kind = RenderedAttachment::Kind::image;
            break;
        case AttachmentKind::audio:
            rendered.kind = RenderedAttachment::Kind::audio;
            break;
        case AttachmentKind::video:
            rendered.kind = RenderedAttachment::Kind::video;
            break;
        default:
            rendered.kind = RenderedAttachment::Kind::file;
            break;
        }
        rendered.relativePath = filesFolderName + "/" + name;
        rendered.name = attachment.filename.value_or(name);
        return rendered;
    };
    auto missing = [&](const std::string& what, const std::string& name) {
        page.placeholders.push_back(what);
        RenderedAttachment rendered;
        rendered.name = name;
        return rendered;
    };

    auto resolve = [&](const NoteDocument::AttachmentReference& reference) {
        RenderedAttachment rendered;
        const notesdb::Attachment* attachment = note.attachment(reference.identifier);
        const std::string uti = !reference.typeUti.empty()          ? reference.typeUti
                                : attachment && attachment->typeUTI ? *attachment->typeUTI
                                                                    : std::string();
        const AttachmentKind kind =
            notesdb::attachmentKind(uti, attachment && attachment->filename ? *attachment->filename : "");
        if (kind == AttachmentKind::link && attachment && attachment->url) {
            rendered.kind = RenderedAttachment::Kind::link;
            rendered.relativePath = *attachment->url;
            rendered.name = attachment->title.value_or(*attachment->url);
            return rendered;
        }
        if (kind == AttachmentKind::table) {
            rendered.kind = RenderedAttachment::Kind::table;
            rendered.table = note.table(reference.identifier);
            return rendered;
        }
        if (notesdb::isInlineKind(kind)) {
            rendered.kind = RenderedAttachment::Kind::inlineText;
            rendered.name = attachment ? attachment->text.value_or("") : "";
            return rendered;
        }
        if (kind == AttachmentKind::gallery) {
            // A scanned document or gallery: its pages are attachments that name it as their parent.
            rendered.kind = RenderedAttachment::Kind::gallery;
            for (const notesdb::Attachment& galleryPage : note.attachments)
                if (attachment && galleryPage.parent == attachment->id)
                    if (const auto name = copyShown(galleryPage))
                        rendered.pages.push_back(shown(galleryPage, *name));
            if (rendered.pages.empty())
                return missing("scanned document", "scan");
            return rendered;
        }
        const std::string kindName(notesdb::attachmentKindName(kind));
        if (!attachment)
            return missing(kindName, "attachment");
        if (!attachment->shownFile() && !attachment->filename)
            return missing(kindName, kindName);
        if (attachment->shownFile())
            if (const auto name = copyShown(*attachment))
                return shown(*attachment, *name);
        // A file the store names but does not hold, or one that could not be read: both traced.
        rendered.name = attachment->filename.value_or(kindName);
        return rendered;
    };

    std::string body;
    if (note.document)
        body = NoteHtmlRenderer(resolve).renderBody(*note.document);
    else if (note.bodyHTML)
        body = plainParagraphs(*note.bodyHTML);
    else
        body = "<div><h1>" + escapeHtml(title) + "</h1></div>\n";
    page.html = NoteHtmlRenderer::page(title, body);
    return page;
}

} // namespace varnholt::notesapp
