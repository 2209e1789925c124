#pragma once

#include "model/messages/Message.h"
#include "platform/Statement.h"

#include <optional>

namespace varnholt {

class MessagesDatabase;

// Steps through the messages of one conversation in date order, one Message at a time, so
// that a conversation of any length is never held whole. Move-only (through Statement); must
// not outlive the database it reads.
class MessageCursor {
public:
    MessageCursor(const MessagesDatabase& database, Statement rows, long long total)
        : m_database(&database), m_rows(std::move(rows)), m_total(total)
    {
    }

    // How many messages the conversation has, counted before the first is read.
    long long total() const { return m_total; }

    // The next message, or nothing once the rows are exhausted (or stepping fails).
    std::optional<Message> next();
    // Whether the rows ended because stepping failed (a damaged database), not because they were exhausted.
    bool failed() const { return m_failed; }

private:
    const MessagesDatabase* m_database;
    Statement m_rows;
    long long m_total = 0;
    bool m_failed = false;
};

} // namespace varnholt
