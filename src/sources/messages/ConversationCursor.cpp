#include "sources/messages/ConversationCursor.h"

namespace varnholt {

namespace {
// `chat.style` as the Messages app stores it.
constexpr long long kGroupStyle = 43;
constexpr long long kOneToOneStyle = 45;
} // namespace

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
    if (const long long style = m_statement.columnInt64(6); style == kGroupStyle)
        row.style = ConversationStyle::group;
    else if (style == kOneToOneStyle)
        row.style = ConversationStyle::oneToOne;
    return row;
}

} // namespace varnholt
