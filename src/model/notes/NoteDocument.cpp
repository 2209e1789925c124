#include "model/notes/NoteDocument.h"

#include <algorithm>

namespace varnholt::notesdb {

std::vector<NoteDocument::AttachmentReference> NoteDocument::attachments() const
{
    std::vector<AttachmentReference> out;
    for (const Run& run : runs)
        if (run.attachment)
            out.push_back(*run.attachment);
    return out;
}

std::string NoteDocument::plainText(const AttachmentText& attachmentText) const
{
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (const Run& run : runs) {
        if (!run.attachment || run.begin >= run.end)
            continue;
        std::optional<std::string> replacement;
        if (attachmentText)
            replacement = attachmentText(*run.attachment);
        const std::string marker =
            replacement ? std::move(*replacement) : "[attachment: " + run.attachment->typeUti + "]";
        std::size_t at = text.find(kAttachmentCharacter, std::max(run.begin, copied));
        while (at != std::string::npos && at + kAttachmentCharacter.size() <= run.end) {
            out.append(text, copied, at - copied);
            out += marker;
            copied = at + kAttachmentCharacter.size();
            at = text.find(kAttachmentCharacter, copied);
        }
    }
    out.append(text, copied, std::string::npos);
    return out;
}

} // namespace varnholt::notesdb
