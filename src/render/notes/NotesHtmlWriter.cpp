#include "render/notes/NotesHtmlWriter.h"

#include "platform/FileNameRule.h"
#include "platform/Files.h"
#include "platform/HtmlEscape.h"
#include "platform/Trace.h"
#include "platform/UniqueNames.h"
#include "render/notes/NoteHtmlRenderer.h"

#include <algorithm>
#include <map>
#include <set>

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

// Accounts, folders, notes and attachments of the standard method: names whose trailing blanks
// are dropped, with "-" for what the rule replaces.
FileNameRule notesNameRule(std::string fallback)
{
    return FileNameRule(std::move(fallback), 180).droppingTrailingSpaces();
}

// The page names of one folder: no two notes share one, nor does a note take the name of a page
// already there.
UniqueNames& pageNamesOf(std::map<std::string, UniqueNames>& books, const fs::path& folder)
{
    auto found = books.find(folder.string());
    if (found == books.end())
        found = books
                    .emplace(folder.string(), UniqueNames([folder](const std::string& name) {
                                 std::error_code ec;
                                 return fs::exists(folder / (name + ".html"), ec);
                             }))
                    .first;
    return found->second;
}

} // namespace

std::string NotesHtmlWriter::lockedPlaceholder(const Note& note)
{
    if (note.lock == notesdb::LockKind::devicePasscode)
        return "This note is locked with the device passcode; a password cannot open it.";
    return kLockedPlaceholder;
}

std::string NotesHtmlWriter::renderPage(const Note& note, const std::string& filesFolderName,
                                        const fs::path& filesFolder) const
{
    using notesdb::AttachmentKind;
    const std::string title = note.title && !note.title->empty() ? *note.title : "Untitled";
    std::string body;
    if (note.isLocked && !note.unlocked) {
        body = "<div><h1>" + escapeHtml(title) + "</h1></div>\n<div><br></div>\n<div>" +
               escapeHtml(lockedPlaceholder(note)) + "</div>\n";
        return NoteHtmlRenderer::page(title, body);
    }

    UniqueNames usedNames;
    static const FileNameRule kAttachmentRule = notesNameRule("attachment");

    // Copies the file an attachment shows into the note's folder; its name there, or nothing.
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
        const fs::path safe = kAttachmentRule.apply(shownName);
        const std::string name = usedNames.claim(safe.stem().string(), safe.extension().string());
        std::error_code ec;
        // The attachment folder is made only when something goes in it.
        fs::create_directories(filesFolder, ec);
        fs::copy_file(*source, filesFolder / name, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            Trace::line("[NotesLibrary] Could not copy attachment " + *source + ": " + ec.message());
            return std::nullopt;
        }
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
        Trace::line("[NotesLibrary] \u26A0\uFE0F The " + what + " in \u201c" + title +
                    "\u201d is shown as a placeholder: the store keeps no file for it");
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
            for (const notesdb::Attachment& page : note.attachments)
                if (attachment && page.parent == attachment->id)
                    if (const auto name = copyShown(page))
                        rendered.pages.push_back(shown(page, *name));
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
        // A file the store names but does not hold, or one that could not be copied: both traced.
        rendered.name = attachment->filename.value_or(kindName);
        return rendered;
    };

    if (note.document)
        body = NoteHtmlRenderer(resolve).renderBody(*note.document);
    else if (note.bodyHTML)
        body = plainParagraphs(*note.bodyHTML);
    else
        body = "<div><h1>" + escapeHtml(title) + "</h1></div>\n";
    return NoteHtmlRenderer::page(title, body);
}

NotesHtmlWriter::Result NotesHtmlWriter::writeAll(std::optional<long long> limit, const std::atomic<bool>& stop)
{
    // The order the app walks: account, then folder, then the folder's notes newest first.
    std::vector<std::pair<std::vector<std::string>, const Note*>> ordered;
    ordered.reserve(m_library.notes().size());
    for (const Note& note : m_library.notes())
        ordered.emplace_back(m_library.location(note), &note);
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    Result result;
    std::map<std::string, UniqueNames> pageNames;
    static const FileNameRule kFolderRule = notesNameRule("Notes");
    static const FileNameRule kPageRule = notesNameRule("Untitled");
    std::set<std::string> madeFolders;
    for (const auto& [location, note] : ordered) {
        if (stop.load() || (limit && result.written >= *limit))
            break;
        fs::path folder = m_root;
        for (const std::string& part : location)
            folder /= kFolderRule.apply(part);
        if (!madeFolders.count(folder.string())) {
            if (auto made = createDirectories(folder); !made) {
                Trace::line("[NotesLibrary] " + made.error().description());
                ++result.failed;
                continue;
            }
            madeFolders.insert(folder.string());
        }
        const std::string title = note->title && !note->title->empty() ? *note->title : "Untitled";
        const std::string base = pageNamesOf(pageNames, folder).claim(kPageRule.apply(title));
        const std::string filesName = base + "_files";
        const fs::path filesFolder = folder / filesName;
        const std::string page = renderPage(*note, filesName, filesFolder);
        if (auto written = writeFileAtomically(folder / (base + ".html"), page); !written) {
            Trace::line("[NotesLibrary] " + written.error().description());
            ++result.failed;
            continue;
        }
        ++result.written;
        if (note->bodyUnreadable) {
            Trace::line("[NotesLibrary] The text of \u201c" + title +
                        "\u201d could not be read: its stored body is damaged");
            ++result.unreadable;
        }
    }
    return result;
}

} // namespace varnholt::notesapp
