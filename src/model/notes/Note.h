#pragma once

#include "model/notes/Attachment.h"
#include "model/notes/NoteDocument.h"
#include "model/notes/NoteTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnholt::notesdb {

// What a locked note is locked with. The user's passwords can open only `password`; a note locked
// with the device passcode is opened by the device's keychain, never by a password.
enum class LockKind { none, password, devicePasscode, unknown };
// "none", "password", "device_passcode", "unknown".
std::string_view lockKindName(LockKind kind);

// One note as the fast export writes it.
struct Note {
    std::int64_t id = 0;
    std::optional<std::string> title;
    std::optional<std::string> snippet;
    // The decoded body text (plain text, despite the name); absent for unreadable notes and for
    // locked notes no password opened.
    std::optional<std::string> bodyHTML;
    // Seconds since 1970-01-01 UTC; absent when the store has no positive date.
    std::optional<double> created;
    std::optional<double> modified;
    bool isDeleted = false;
    bool isPinned = false;
    bool isLocked = false;
    // A locked note that one of the user's passwords opened: its body is there like any other's.
    bool unlocked = false;
    LockKind lock = LockKind::none;
    std::optional<std::string> folderName;
    std::optional<std::string> accountName;
    std::vector<Attachment> attachments;
    // Where the note lives, for renderers that rebuild the folder tree.
    std::optional<std::int64_t> folderId;
    std::optional<std::int64_t> accountId;
    // The structured body, kept only when the reader is asked for documents.
    std::optional<NoteDocument> document;
    // The note's tables in body order, each under its attachment identifier.
    std::vector<std::pair<std::string, NoteTable>> tables;
    // Tables the body refers to whose stored data could not be read.
    long long unreadableTables = 0;
    const NoteTable* table(const std::string& identifier) const
    {
        for (const auto& [id, table] : tables)
            if (id == identifier)
                return &table;
        return nullptr;
    }
    // The stored body is compressed but does not inflate: the store is damaged and the text is lost.
    bool bodyUnreadable = false;

    // The attachment with this identifier, if the note has one.
    const Attachment* attachment(const std::string& identifier) const
    {
        for (const Attachment& candidate : attachments)
            if (candidate.identifier == identifier)
                return &candidate;
        return nullptr;
    }
    // What stands for an attachment in the plain text: a table's rows, a hashtag's or mention's
    // text; absent for the usual marker.
    std::optional<std::string> attachmentText(const NoteDocument::AttachmentReference& reference) const;
    // The text that stands for the body of a note no password opened (or whose body is empty).
    std::string_view lockedPlaceholder() const;
};

} // namespace varnholt::notesdb
