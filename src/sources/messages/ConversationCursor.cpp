#include "sources/messages/ConversationCursor.h"

namespace varnholt {

std::optional<Conversation> ConversationCursor::next()
{
    if (!m_statement.isValid())
        return std::nullopt;
    const Statement::Step step = m_statement.step();
    if (step != Statement::Step::Row) {
        m_failed = step == Statement::Step::Error;
        return std::nullopt;
    }
    ++m_index;
    Conversation row;
    row.chatId = m_statement.columnInt(0);
    row.guid = m_statement.columnText(1);
    row.identifier = m_statement.columnOptionalText(2).value_or("unknown");
    row.service = m_statement.columnOptionalText(3).value_or("iMessage");
    row.displayName = m_statement.columnOptionalText(4);
    return row;
}

} // namespace varnholt
