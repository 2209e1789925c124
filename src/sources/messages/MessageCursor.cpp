#include "sources/messages/MessageCursor.h"

#include "sources/messages/MessagesDatabase.h"

namespace varnholt {

std::optional<Message> MessageCursor::next()
{
    if (!m_rows.isValid() || m_failed)
        return std::nullopt;
    const Statement::Step step = m_rows.step();
    if (step != Statement::Step::Row) {
        m_failed = step == Statement::Step::Error;
        m_rows.finalize();
        return std::nullopt;
    }
    return m_database->readMessage(m_rows, &m_reactions);
}

} // namespace varnholt
