#pragma once

#include "model/messages/Message.h"
#include "platform/Statement.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace varnholt {

class MessagesDatabase;

// The reactions of one conversation by the GUID of the message they stand on.
using ReactionsByTarget = std::unordered_map<std::string, std::vector<Reaction>>;

// Steps through the messages of one conversation in date order, one Message at a time, so
// that a conversation of any length is never held whole: the ids are sorted, the rows read a
// batch at a time. Move-only (through Statement); must
// not outlive the database it reads.
class MessageCursor {
public:
    // `keys` steps the row ids in date order; `rows` reads a batch of them (MessagesDatabase::kMessageBatch).
    MessageCursor(const MessagesDatabase& database, Statement keys, Statement rows, long long total,
                  ReactionsByTarget reactions = {})
        : m_database(&database), m_keys(std::move(keys)), m_rows(std::move(rows)), m_total(total),
          m_reactions(std::move(reactions))
    {
    }

    // How many messages the conversation has, counted before the first is read.
    long long total() const { return m_total; }

    // The next message, or nothing once the rows are exhausted (or stepping fails).
    std::optional<Message> next();
    // Whether the rows ended because stepping failed (a damaged database), not because they were exhausted.
    bool failed() const { return m_failed; }

private:
    // Reads the next batch of ids and their messages into m_batch, in date order; false when none are left.
    bool fillBatch();

    const MessagesDatabase* m_database;
    Statement m_keys;
    Statement m_rows;
    // At most one batch of messages is held, whatever the length of the conversation.
    std::vector<std::optional<Message>> m_batch;
    std::size_t m_nextInBatch = 0;
    bool m_keysDone = false;
    long long m_total = 0;
    // Handed to their messages as these are read; only the reactions of a conversation are held, never its messages.
    ReactionsByTarget m_reactions;
    bool m_failed = false;
};

} // namespace varnholt
