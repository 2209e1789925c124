#pragma once

#include "model/notes/NoteDocument.h"

#include <optional>

namespace varnholt::notestore {
class NoteStoreProto;
class Note;
} // namespace varnholt::notestore

namespace varnholt::notesdb {

// The note's text and its formatting runs, or absent when the message holds no note text.
std::optional<NoteDocument> noteDocumentFromProto(const notestore::NoteStoreProto& proto);

} // namespace varnholt::notesdb

namespace varnholt::notesdb {
// A note message anywhere (a body, a table cell) as a document; a message without text is empty.
NoteDocument noteDocumentFromNote(const notestore::Note& note);
} // namespace varnholt::notesdb
