#include "sources/messages/MessagesDatabase.h"

#include "platform/Iso8601.h"
#include "platform/Trace.h"
#include "sources/messages/AttributedBodyText.h"

#include <array>
#include <cmath>
#include <re2/re2.h>

namespace varnholt {

const char* const MessagesDatabase::kCountSql = "SELECT COUNT(DISTINCT chat_id) FROM chat_message_join";

const char* const MessagesDatabase::kChatsSql = "    SELECT DISTINCT \n"
                                                "        c.ROWID as chat_id,\n"
                                                "        c.guid,\n"
                                                "        c.chat_identifier,\n"
                                                "        c.service_name,\n"
                                                "        c.display_name,\n"
                                                "        c.group_id\n"
                                                "    FROM chat c\n"
                                                "    JOIN chat_message_join cmj ON c.ROWID = cmj.chat_id\n"
                                                "    ORDER BY c.ROWID\n"
                                                "    ";

const char* const MessagesDatabase::kMessagesSql = "    SELECT \n"
                                                   "        m.ROWID,\n"
                                                   "        m.guid,\n"
                                                   "        m.text,\n"
                                                   "        m.service,\n"
                                                   "        m.date,\n"
                                                   "        m.is_from_me,\n"
                                                   "        h.id as handle_id,\n"
                                                   "        m.cache_has_attachments,\n"
                                                   "        m.attributedBody\n"
                                                   "    FROM message m\n"
                                                   "    JOIN chat_message_join cmj ON m.ROWID = cmj.message_id\n"
                                                   "    LEFT JOIN handle h ON m.handle_id = h.ROWID\n"
                                                   "    WHERE cmj.chat_id = ?\n"
                                                   "    ORDER BY m.date";

// The same rows as kMessagesSql, the handle join included, so the count always matches them.
const char* const MessagesDatabase::kMessageCountSql = "    SELECT COUNT(*)\n"
                                                       "    FROM message m\n"
                                                       "    JOIN chat_message_join cmj ON m.ROWID = cmj.message_id\n"
                                                       "    LEFT JOIN handle h ON m.handle_id = h.ROWID\n"
                                                       "    WHERE cmj.chat_id = ?";

const char* const MessagesDatabase::kAttachmentsSql =
    "    SELECT \n"
    "        a.ROWID,\n"
    "        a.guid,\n"
    "        a.filename,\n"
    "        a.mime_type,\n"
    "        a.total_bytes,\n"
    "        a.is_sticker\n"
    "    FROM attachment a\n"
    "    JOIN message_attachment_join maj ON a.ROWID = maj.attachment_id\n"
    "    WHERE maj.message_id = ?";

namespace {
// Tables the statements read; the first four are needed to export anything at all.
constexpr std::array<const char*, 6> kTables{"chat",   "chat_message_join", "message",
                                             "handle", "attachment",        "message_attachment_join"};
constexpr size_t kRequiredTables = 4;

const std::map<std::string, std::string>& aliases()
{
    static const std::map<std::string, std::string> kAliases{
        {"c", "chat"},   {"cmj", "chat_message_join"}, {"m", "message"},
        {"h", "handle"}, {"a", "attachment"},          {"maj", "message_attachment_join"},
    };
    return kAliases;
}

// Below this magnitude a date cannot be nanoseconds of any plausible moment (10^11 ns is under two
// minutes after 2001-01-01); older databases store seconds there.
constexpr double kSecondsThreshold = 1e11;
} // namespace

std::string MessagesDatabase::chatsSql(TestMode testMode, long long limit)
{
    std::string sql = kChatsSql;
    if (testMode == TestMode::on)
        sql += "LIMIT " + std::to_string(limit);
    return sql;
}

std::string MessagesDatabase::totalSql(TestMode testMode, long long limit)
{
    if (testMode == TestMode::on)
        return "SELECT COUNT(*) FROM chat LIMIT " + std::to_string(limit);
    return "SELECT COUNT(*) FROM chat";
}

MessagesDatabase::~MessagesDatabase() = default;

tl::expected<MessagesDatabase, DomainError> MessagesDatabase::open(const std::string& databasePath,
                                                                   std::string homeDirectory,
                                                                   const std::filesystem::path& scratchFolder)
{
    MessagesDatabase reader;
    reader.m_home = std::move(homeDirectory);

    auto snapshot = DatabaseSnapshot::open(databasePath, scratchFolder);
    if (!snapshot) {
        Trace::line("[MessagesExporter] \u274C " + snapshot.error().description());
        return tl::unexpected(DomainError(kDomain, 1, "Failed to open Messages database", snapshot.error().kind()));
    }
    reader.m_snapshot = std::move(*snapshot);
    reader.m_db = reader.m_snapshot.takeDatabase();
    const DomainError openFailed(kDomain, 1, "Failed to open Messages database", ErrorKind::damaged);

    for (size_t i = 0; i < kTables.size(); ++i) {
        const std::string table = kTables[i];
        auto info = reader.m_db.prepare("PRAGMA table_info(" + table + ")");
        if (!info) {
            // A damaged or foreign file fails here, on the first read of its schema.
            Trace::line("[MessagesExporter] \u274C Cannot read " + databasePath + ": " + info.error());
            return tl::unexpected(openFailed);
        }
        std::set<std::string> columns;
        Statement::Step step;
        while ((step = info->step()) == Statement::Step::Row)
            columns.insert(info->columnText(1));
        if (step == Statement::Step::Error) {
            Trace::line("[MessagesExporter] \u274C Cannot read " + databasePath + ": " + reader.m_db.errorMessage());
            return tl::unexpected(openFailed);
        }
        if (columns.empty()) {
            if (i < kRequiredTables)
                return tl::unexpected(DomainError(
                    kDomain, 2,
                    "The Messages database has no \u201c" + table +
                        "\u201d table, so it is damaged or not a Messages database. Export from a complete copy "
                        "of ~/Library/Messages.",
                    ErrorKind::damaged));
            Trace::line("[MessagesExporter] \u26A0\uFE0F No " + table +
                        " table: messages are exported without attachments");
            continue;
        }
        reader.m_columns.emplace(table, std::move(columns));
    }
    reader.m_messagesSql = reader.adaptToSchema(kMessagesSql);
    reader.m_messageCountSql = reader.adaptToSchema(kMessageCountSql);
    reader.m_attachmentsSql = reader.adaptToSchema(kAttachmentsSql);
    return reader;
}

bool MessagesDatabase::hasColumn(const std::string& table, const std::string& column) const
{
    const auto it = m_columns.find(table);
    if (it == m_columns.end())
        return false;
    return column == "ROWID" || it->second.count(column) > 0;
}

std::string MessagesDatabase::adaptToSchema(const std::string& sql) const
{
    static const RE2 kQualified(R"(\b(c|cmj|m|h|a|maj)\.([A-Za-z_][A-Za-z0-9_]*)\b)");
    std::string adapted;
    std::size_t last = 0;
    re2::StringPiece match[3];
    while (kQualified.Match(sql, last, sql.size(), RE2::UNANCHORED, match, 3)) {
        const auto begin = static_cast<std::size_t>(match[0].data() - sql.data());
        adapted.append(sql, last, begin - last);
        const std::string& table = aliases().at(std::string(match[1]));
        // A missing table keeps its names, so the statement fails to prepare and takes its own failure rule.
        if (m_columns.count(table) && !hasColumn(table, std::string(match[2])))
            adapted += "NULL";
        else
            adapted += std::string(match[0]);
        last = begin + match[0].size();
    }
    adapted.append(sql, last);
    return adapted;
}

tl::expected<long long, DomainError> MessagesDatabase::countMessages() const
{
    auto statement = m_db.prepare(kCountSql);
    if (!statement)
        return tl::unexpected(DomainError(kDomain, 2, "Failed to prepare count query", ErrorKind::damaged));
    const Statement::Step step = statement->step();
    if (step == Statement::Step::Row)
        return static_cast<long long>(statement->columnInt(0));
    if (step == Statement::Step::Error)
        return tl::unexpected(damaged("the number of conversations"));
    return 0LL;
}

tl::expected<ConversationCursor, DomainError> MessagesDatabase::conversations(TestMode testMode, long long limit) const
{
    auto chats = m_db.prepare(adaptToSchema(chatsSql(testMode, limit)));
    if (!chats)
        return tl::unexpected(DomainError(kDomain, 2, "Failed to prepare chats query", ErrorKind::damaged));
    long long total = 0;
    if (auto count = m_db.prepare(totalSql(testMode, limit)); count && count->step() == Statement::Step::Row) {
        total = count->columnInt(0);
        if (testMode == TestMode::on)
            total = std::min(total, limit);
    }
    return ConversationCursor(std::move(*chats), total);
}

std::optional<MessageCursor> MessagesDatabase::messagesOf(const Conversation& chat) const
{
    auto statement = m_db.prepare(m_messagesSql);
    if (!statement) {
        Trace::line("[MessagesExporter] \u26A0\uFE0F Skipping chat " + std::to_string(chat.chatId) + ": " +
                    statement.error());
        return std::nullopt;
    }
    auto count = m_db.prepare(m_messageCountSql);
    if (!count) {
        Trace::line("[MessagesExporter] \u26A0\uFE0F Skipping chat " + std::to_string(chat.chatId) + ": " +
                    count.error());
        return std::nullopt;
    }
    // Writers put the count before the messages. Both statements read the same snapshot: the conversation
    // cursor's statement stays active throughout, and it holds the connection's read transaction open.
    count->bindInt(1, chat.chatId);
    long long total = 0;
    const Statement::Step step = count->step();
    if (step == Statement::Step::Row)
        total = count->columnInt64(0);
    else if (step == Statement::Step::Error)
        noteReadFailure();
    statement->bindInt(1, chat.chatId);
    return MessageCursor(*this, std::move(*statement), total);
}

Message MessagesDatabase::readMessage(const Statement& row) const
{
    Message message;
    message.id = row.columnInt64(0);
    message.guid = row.columnText(1);
    if (!row.isNull(2))
        message.text = row.columnText(2);
    else if (!row.isNull(8))
        message.text = messageTextFromAttributedBody(row.columnBlob(8)).value_or("");
    message.service = row.columnOptionalText(3);

    message.timestamp = row.columnInt64(4);
    const double value = static_cast<double>(message.timestamp);
    const double seconds = std::fabs(value) < kSecondsThreshold ? value : value / 1'000'000'000.0;
    message.date = formatIso8601(seconds + kAppleReferenceOffset);
    message.isFromMe = row.columnInt64(5) == 1;
    message.sender = row.columnOptionalText(6);
    if (row.columnInt64(7) == 1)
        message.attachments = attachmentsOf(message.id);
    return message;
}

std::vector<Attachment> MessagesDatabase::attachmentsOf(std::int64_t messageId) const
{
    std::vector<Attachment> attachments;
    if (!m_attachmentStatement) {
        auto prepared = m_db.prepare(m_attachmentsSql);
        if (!prepared)
            return attachments;
        m_attachmentStatement = std::move(*prepared);
    }
    Statement* statement = &*m_attachmentStatement;
    statement->reset();
    statement->bindInt64(1, messageId);
    Statement::Step step;
    while ((step = statement->step()) == Statement::Step::Row) {
        Attachment attachment;
        attachment.id = statement->columnInt64(0);
        attachment.guid = statement->columnText(1);
        attachment.filename = statement->columnOptionalText(2);
        if (attachment.filename) {
            std::string expanded;
            for (const char c : *attachment.filename) {
                if (c == '~')
                    expanded += m_home;
                else
                    expanded += c;
            }
            attachment.expandedPath = std::move(expanded);
        }
        attachment.mimeType = statement->columnOptionalText(3);
        attachment.size = statement->columnInt64(4);
        attachment.isSticker = statement->columnInt64(5) == 1;
        attachments.push_back(std::move(attachment));
    }
    if (step == Statement::Step::Error)
        noteReadFailure();
    return attachments;
}

void MessagesDatabase::noteReadFailure() const
{
    if (!m_readFailure)
        m_readFailure = m_db.errorMessage();
}

DomainError MessagesDatabase::damaged(const std::string& where) const
{
    const std::string reason = m_readFailure.value_or(m_db.errorMessage());
    Trace::line("[MessagesExporter] \u274C Reading " + where + " failed: " + reason);
    return DomainError(kDomain, 3,
                       "The Messages database is damaged (" + reason + " while reading " + where +
                           "), so the export would be incomplete. Export from an undamaged copy of "
                           "~/Library/Messages, for example from a backup.",
                       ErrorKind::damaged);
}

} // namespace varnholt
