#include "model/notes/Note.h"

namespace varnholt::notesdb {

std::string_view lockKindName(LockKind kind)
{
    switch (kind) {
    case LockKind::password:
        return "password";
    case LockKind::devicePasscode:
        return "device_passcode";
    case LockKind::unknown:
        return "unknown";
    case LockKind::none:
        break;
    }
    return "none";
}

std::optional<std::string> Note::attachmentText(const NoteDocument::AttachmentReference& reference) const
{
    if (const NoteTable* found = table(reference.identifier))
        return found->tabSeparated();
    if (const Attachment* found = attachment(reference.identifier); found && found->text)
        return *found->text;
    return std::nullopt;
}

std::string_view Note::lockedPlaceholder() const
{
    if (isLocked && !unlocked && lock == LockKind::devicePasscode)
        return "Note is locked with the device passcode; a password cannot open it";
    return "Note is locked or empty";
}

} // namespace varnholt::notesdb
