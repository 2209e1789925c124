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

std::string NotesHtmlWriter::renderPage(const Note& note, const std::string& filesFolderName,
                                        const fs::path& filesFolder) const
{
    const std::string title = note.title && !note.title->empty() ? *note.title : "Untitled";
    std::string body;
    if (note.isLocked && !note.unlocked) {
        body =
            "<div><h1>" + escapeHtml(title) + "</h1></div>\n<div><br></div>\n<div>" + kLockedPlaceholder + "</div>\n";
        return NoteHtmlRenderer::page(title, body);
    }

    std::map<std::string, const notesdb::Attachment*> byIdentifier;
    for (const auto& attachment : note.attachments)
        if (attachment.identifier)
            byIdentifier[*attachment.identifier] = &attachment;
    UniqueNames usedNames;
    static const FileNameRule kAttachmentRule = notesNameRule("attachment");

    auto resolve = [&](const NoteDocument::AttachmentReference& reference) {
        RenderedAttachment rendered;
        const auto found = byIdentifier.find(reference.identifier);
        const notesdb::Attachment* attachment = found == byIdentifier.end() ? nullptr : found->second;
        const std::string uti = !reference.typeUti.empty()          ? reference.typeUti
                                : attachment && attachment->typeUTI ? *attachment->typeUTI
                                                                    : std::string();
        const notesdb::AttachmentKind kind =
            notesdb::attachmentKind(uti, attachment && attachment->filename ? *attachment->filename : "");
        if (kind == notesdb::AttachmentKind::link && attachment && attachment->url) {
            rendered.kind = RenderedAttachment::Kind::link;
            rendered.relativePath = *attachment->url;
            rendered.name = attachment->title.value_or(*attachment->url);
            return rendered;
        }
        if (uti == "com.apple.notes.table") {
            rendered.kind = RenderedAttachment::Kind::table;
            rendered.table = note.table(reference.identifier);
            return rendered;
        }
        if (uti.rfind("com.apple.notes.inlinetextattachment", 0) == 0) {
            rendered.kind = RenderedAttachment::Kind::inlineText;
            rendered.name = m_library.inlineText(reference.identifier).value_or("");
            return rendered;
        }
        if (!attachment || !attachment->filename || !attachment->directory) {
            rendered.name = attachment && attachment->filename ? *attachment->filename : "attachment";
            return rendered;
        }
        const fs::path source = fs::path(*attachment->directory) / *attachment->filename;
        const fs::path safe = kAttachmentRule.apply(*attachment->filename);
        const std::string name = usedNames.claim(safe.stem().string(), safe.extension().string());
        std::error_code ec;
        // The attachment folder is made only when something goes in it.
        fs::create_directories(filesFolder, ec);
        fs::copy_file(source, filesFolder / name, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            Trace::line("[NotesLibrary] Could not copy attachment " + source.string() + ": " + ec.message());
            rendered.name = *attachment->filename;
            return rendered;
        }
        switch (notesdb::attachmentKind(uti, name)) {
        case notesdb::AttachmentKind::image:
            rendered.kind = RenderedAttachment::Kind::image;
            break;
        case notesdb::AttachmentKind::audio:
            rendered.kind = RenderedAttachment::Kind::audio;
            break;
        case notesdb::AttachmentKind::video:
            rendered.kind = RenderedAttachment::Kind::video;
            break;
        default:
            rendered.kind = RenderedAttachment::Kind::file;
            break;
        }
        rendered.relativePath = filesFolderName + "/" + name;
        rendered.name = *attachment->filename;
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
