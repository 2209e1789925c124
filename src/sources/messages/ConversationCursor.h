#pragma once

#include "model/messages/Conversation.h"
#include "platform/Statement.h"

#include <optional>

namespace varnholt {

// Steps through the conversation query one Conversation at a time. Holds the
// statement for as long as the export loop runs. Move-only (through Statement).
class ConversationCursor {
public:
    ConversationCursor(Statement statement, long long total) : m_statement(std::move(statement)), m_total(total) {}

    // The progress total: every row of `chat` (capped by the test limit).
    long long total() const { return m_total; }
    // 1-based index of the row last returned.
    long long index() const { return m_index; }

    // The next conversation, or nothing once the rows are exhausted (or stepping fails).
    std::optional<Conversation> next();
    // Whether the rows ended because stepping failed (a damaged database), not because they were exhausted.
    bool failed() const { return m_failed; }

private:
    Statement m_statement;
    long long m_total = 0;
    long long m_index = 0;
    bool m_failed = false;
};

} // namespace varnholt
