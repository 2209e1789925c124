#pragma once

#include "model/notes/NoteDocument.h"

#include <optional>

namespace varnholt::notestore {
class NoteStoreProto;
}

namespace varnholt::notesdb {

// The note's text and its formatting runs, or absent when the message holds no note text.
std::optional<NoteDocument> noteDocumentFromProto(const notestore::NoteStoreProto& proto);

} // namespace varnholt::notesdb
