#include "sources/messages/MessageCursor.h"

#include "sources/messages/MessagesDatabase.h"

#include <unordered_map>

namespace varnholt {

bool MessageCursor::fillBatch()
{
    m_batch.clear();
    m_nextInBatch = 0;
    std::unordered_map<std::int64_t, std::size_t> positions;
    // Stepping a finished statement would start it over.
    while (!m_keysDone && positions.size() < MessagesDatabase::kMessageBatch) {
        const Statement::Step step = m_keys.step();
        if (step == Statement::Step::Error)
            m_failed = true;
        if (step != Statement::Step::Row) {
            m_keysDone = true;
            break;
        }
        positions.emplace(m_keys.columnInt64(0), positions.size());
    }
    if (positions.empty() || m_failed)
        return false;
    m_rows.reset();
    int parameter = 1;
    for (const auto& [id, position] : positions)
        m_rows.bindInt64(parameter++, id);
    for (; parameter <= static_cast<int>(MessagesDatabase::kMessageBatch); ++parameter)
        m_rows.bindNull(parameter);
    m_batch.resize(positions.size());
    Statement::Step step;
    while ((step = m_rows.step()) == Statement::Step::Row) {
        if (auto found = positions.find(m_rows.columnInt64(0)); found != positions.end())
            m_batch[found->second] = m_database->readMessage(m_rows, &m_reactions);
    }
    if (step == Statement::Step::Error) {
        m_failed = true;
        return false;
    }
    return true;
}

std::optional<Message> MessageCursor::next()
{
    if (!m_keys.isValid() || m_failed)
        return std::nullopt;
    while (true) {
        while (m_nextInBatch < m_batch.size()) {
            std::optional<Message>& message = m_batch[m_nextInBatch++];
            if (message)
                return std::move(message);
        }
        if (!fillBatch()) {
            m_keys.finalize();
            m_rows.finalize();
            return std::nullopt;
        }
    }
}

} // namespace varnholt
