#include "sources/notes/AttachmentFiles.h"

#include "platform/Trace.h"

#include <filesystem>

namespace varnholt::notesdb {

namespace fs = std::filesystem;

AttachmentFiles::AttachmentFiles(std::string containerFolder) : m_containerFolder(std::move(containerFolder)) {}

namespace {
bool isFile(const fs::path& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// A name the store gives that may be joined to a path: one component, never leading out.
bool isPlainComponent(const std::string& name)
{
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

std::optional<fs::path> firstFile(const std::vector<fs::path>& candidates)
{
    for (const fs::path& candidate : candidates)
        if (isFile(candidate))
            return candidate;
    return std::nullopt;
}

// Where Notes keeps what it renders for an attachment, below a folder that holds an account's files
// (or the container itself in stores older than accounts): newer versions add a folder per
// generation, older ones name the file after the attachment.
std::vector<fs::path> fallbackImages(const fs::path& base, const std::string& identifier,
                                     const std::optional<std::string>& generation)
{
    std::vector<fs::path> out;
    const fs::path folder = base / "FallbackImages";
    if (generation && isPlainComponent(*generation))
        for (const char* name : {"FallbackImage.png", "FallbackImage.jpg", "FallbackImage.jpeg"})
            out.push_back(folder / identifier / *generation / name);
    for (const char* extension : {".jpg", ".png", ".jpeg"})
        out.push_back(folder / (identifier + extension));
    return out;
}

std::vector<fs::path> fallbackPdfs(const fs::path& base, const std::string& identifier,
                                   const std::optional<std::string>& generation)
{
    std::vector<fs::path> out;
    if (generation && isPlainComponent(*generation))
        out.push_back(base / "FallbackPDFs" / identifier / *generation / "FallbackPDF.pdf");
    out.push_back(base / "FallbackPDFs" / (identifier + ".pdf"));
    return out;
}

std::vector<fs::path> previews(const fs::path& base, const std::string& identifier,
                               const std::optional<std::string>& generation)
{
    std::vector<fs::path> out;
    if (generation && isPlainComponent(*generation))
        for (const char* name : {"Preview.png", "Preview.jpeg", "Preview.jpg"})
            out.push_back(base / "Previews" / identifier / *generation / name);
    for (const char* extension : {".png", ".jpeg", ".jpg"})
        out.push_back(base / "Previews" / (identifier + extension));
    return out;
}
} // namespace

void AttachmentFiles::locate(std::int64_t noteId, const std::string& accountIdentifier,
                             std::vector<Attachment>& attachments) const
{
    using Source = Attachment::FileSource;
    std::vector<fs::path> bases;
    if (!m_containerFolder.empty()) {
        if (isPlainComponent(accountIdentifier))
            bases.push_back(fs::path(m_containerFolder) / "Accounts" / accountIdentifier);
        bases.push_back(fs::path(m_containerFolder));
    }
    for (Attachment& attachment : attachments) {
        const AttachmentKind kind = attachment.kind();
        const std::string mediaIdentifier = attachment.directory.value_or("");
        attachment.directory.reset();
        if (kind == AttachmentKind::table || kind == AttachmentKind::link || kind == AttachmentKind::gallery ||
            isInlineKind(kind))
            continue;
        auto standIn = [&](Source source) -> bool {
            const std::string identifier = source == Source::preview ? attachment.previewIdentifier.value_or("")
                                                                     : attachment.identifier.value_or("");
            if (!isPlainComponent(identifier))
                return false;
            for (const fs::path& base : bases) {
                const auto found = firstFile(source == Source::fallbackImage
                                                 ? fallbackImages(base, identifier, attachment.fallbackImageGeneration)
                                             : source == Source::fallbackPdf
                                                 ? fallbackPdfs(base, identifier, attachment.fallbackPdfGeneration)
                                                 : previews(base, identifier, attachment.previewGeneration));
                if (found) {
                    attachment.fileSource = source;
                    attachment.standInFile = found->string();
                    return true;
                }
            }
            return false;
        };
        auto original = [&]() -> bool {
            if (!attachment.filename)
                return false;
            attachment.directory = mediaFolder(accountIdentifier, mediaIdentifier, *attachment.filename);
            if (attachment.directory)
                attachment.fileSource = Source::original;
            return attachment.directory.has_value();
        };
        // Drawings and scans have no file of their own: Notes keeps the image (or PDF) it rendered.
        // A scanned page shows as Notes renders it (cropped, straightened), its photo only without that.
        std::vector<Source> order{Source::original, Source::fallbackImage, Source::preview};
        if (kind == AttachmentKind::drawing)
            order = {Source::fallbackImage, Source::preview};
        else if (kind == AttachmentKind::scan)
            order = {Source::fallbackPdf, Source::fallbackImage, Source::preview};
        else if (attachment.parent)
            order = {Source::fallbackImage, Source::original, Source::preview};
        bool found = false;
        for (const Source source : order)
            if ((found = source == Source::original ? original() : standIn(source)))
                break;
        if (found && order.front() == Source::original && attachment.fileSource != Source::original)
            Trace::line("[FastDB] ⚠️ Attachment file not found: " + attachment.filename.value_or("") + " (note " +
                        std::to_string(noteId) + "); the " +
                        (attachment.fileSource == Source::preview ? "preview" : "image") +
                        " Notes made of it stands in");
        if (found)
            continue;
        if (attachment.filename)
            Trace::line("[FastDB] ⚠️ Attachment file not found: " + *attachment.filename + " (note " +
                        std::to_string(noteId) + ")");
        else
            Trace::line("[FastDB] ⚠️ Nothing to show for the " + std::string(attachmentKindName(kind)) + " " +
                        attachment.identifier.value_or("") + " in note " + std::to_string(noteId) +
                        ": the store has neither its file, a fallback image nor a preview; it is exported as a "
                        "placeholder");
    }
    for (const Attachment& gallery : attachments) {
        if (gallery.kind() != AttachmentKind::gallery)
            continue;
        const bool anyPage = std::any_of(attachments.begin(), attachments.end(), [&](const Attachment& page) {
            return page.parent == gallery.id && page.shownFile();
        });
        if (!anyPage)
            Trace::line("[FastDB] ⚠️ The scanned document or gallery " + gallery.identifier.value_or("") +
                        " in note " + std::to_string(noteId) +
                        " has no page images in the store; it is exported as a placeholder");
    }
}

std::optional<std::string> AttachmentFiles::mediaFolder(const std::string& accountIdentifier,
                                                        const std::string& mediaIdentifier,
                                                        const std::string& filename) const
{
    if (m_containerFolder.empty() || !isPlainComponent(mediaIdentifier) || !isPlainComponent(filename))
        return std::nullopt;
    const fs::path container(m_containerFolder);
    std::vector<fs::path> candidates;
    if (isPlainComponent(accountIdentifier))
        candidates.push_back(container / "Accounts" / accountIdentifier / "Media" / mediaIdentifier);
    candidates.push_back(container / "Media" / mediaIdentifier); // older stores keep media beside the database
    std::error_code ec;
    for (fs::directory_iterator it(container / "Accounts", ec), end; !ec && it != end; it.increment(ec))
        candidates.push_back(it->path() / "Media" / mediaIdentifier);

    for (const fs::path& folder : candidates) {
        if (isFile(folder / filename))
            return folder.string();
        // Newer versions add one level (a version folder) below the media folder.
        std::error_code listing;
        for (fs::directory_iterator it(folder, listing), end; !listing && it != end; it.increment(listing)) {
            if (isFile(it->path() / filename))
                return it->path().string();
        }
    }
    return std::nullopt;
}

} // namespace varnholt::notesdb
