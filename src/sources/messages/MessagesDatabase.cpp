#include "sources/messages/MessagesDatabase.h"

#include "platform/Iso8601.h"
#include "platform/Trace.h"
#include "platform/Utf8.h"
#include "sources/messages/AttributedBodyText.h"
#include "sources/messages/MessageStyleNames.h"
#include "sources/messages/MessageSummaryInfo.h"

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
                                                "        c.group_id,\n"
                                                "        c.style\n"
                                                "    FROM chat c\n"
                                                "    JOIN chat_message_join cmj ON c.ROWID = cmj.chat_id\n"
                                                "    ORDER BY c.ROWID\n"
                                                "    ";

// The part of a reaction's `associated_message_guid` that names its target: "p:N/GUID" (part N) and
// "bp:GUID" (a balloon) name GUID; a bare GUID names itself. Any other form matches no message.
#define VARNHOLT_REACTION_TARGET(alias)                                                                                \
    "CASE WHEN " alias ".associated_message_guid LIKE 'p:%/%' THEN substr(" alias ".associated_message_guid, "         \
    "instr(" alias ".associated_message_guid, '/') + 1) WHEN " alias ".associated_message_guid LIKE 'bp:%' "           \
    "THEN substr(" alias ".associated_message_guid, 4) ELSE " alias ".associated_message_guid END"

// A reaction or a removal whose target is a message of the same conversation: it belongs to that message
// and is no message of its own. One whose target cannot be found, or is a reaction itself, stays a message,
// so nothing is lost.
#define VARNHOLT_ATTACHED_REACTION                                                                                     \
    "(COALESCE(m.associated_message_type, 0) BETWEEN 2000 AND 2007 OR "                                                \
    "COALESCE(m.associated_message_type, 0) BETWEEN 3000 AND 3007) AND EXISTS (SELECT 1 FROM message t "               \
    "JOIN chat_message_join tj ON tj.message_id = t.ROWID WHERE t.guid = (" VARNHOLT_REACTION_TARGET(                  \
        "m") ") AND tj.chat_id = cmj.chat_id AND NOT (COALESCE(t.associated_message_type, 0) BETWEEN 2000 AND 2007 "   \
             "OR "                                                                                                     \
             "COALESCE(t.associated_message_type, 0) BETWEEN 3000 AND 3007))"

// Dates of older databases are seconds; they are compared with the window in nanoseconds.
#define VARNHOLT_IN_WINDOW                                                                                             \
    "(CASE WHEN abs(m.date) < 100000000000 THEN m.date * 1000000000 ELSE m.date END) BETWEEN ? AND ?"

// A conversation's messages in date order, as row ids only: sorting the ids alone keeps memory small for a
// conversation of any length, where sorting the whole rows would hold them all (temporary data stays in
// memory, so as to write nothing beside the output).
const char* const MessagesDatabase::kMessageKeysSql =
    "    SELECT m.ROWID\n"
    "    FROM message m\n"
    "    JOIN chat_message_join cmj ON m.ROWID = cmj.message_id\n"
    "    WHERE cmj.chat_id = ? AND " VARNHOLT_IN_WINDOW " AND NOT (" VARNHOLT_ATTACHED_REACTION ")\n"
    "    ORDER BY m.date";

// The messages of a batch of row ids (kMessageBatch placeholders follow), with what is joined to them.
const char* const MessagesDatabase::kMessagesSql = "    SELECT \n"
                                                   "        m.ROWID,\n"
                                                   "        m.guid,\n"
                                                   "        m.text,\n"
                                                   "        m.service,\n"
                                                   "        m.date,\n"
                                                   "        m.is_from_me,\n"
                                                   "        h.id as handle_id,\n"
                                                   "        m.cache_has_attachments,\n"
                                                   "        m.attributedBody,\n"
                                                   "        m.thread_originator_guid,\n"
                                                   "        o.ROWID,\n"
                                                   "        o.text,\n"
                                                   "        o.attributedBody,\n"
                                                   "        m.item_type,\n"
                                                   "        m.group_action_type,\n"
                                                   "        oh.id,\n"
                                                   "        m.group_title,\n"
                                                   "        m.message_summary_info,\n"
                                                   "        m.expressive_send_style_id,\n"
                                                   "        m.balloon_bundle_id,\n"
                                                   "        m.is_audio_message\n"
                                                   "    FROM message m\n"
                                                   "    LEFT JOIN handle h ON m.handle_id = h.ROWID\n"
                                                   "    LEFT JOIN message o ON o.guid = m.thread_originator_guid\n"
                                                   "    LEFT JOIN handle oh ON oh.ROWID = m.other_handle\n"
                                                   "    WHERE m.ROWID IN ";

std::string MessagesDatabase::messagesByIdSql()
{
    std::string sql = kMessagesSql;
    sql += '(';
    for (std::size_t i = 0; i < kMessageBatch; ++i)
        sql += i == 0 ? "?" : ", ?";
    sql += ')';
    return sql;
}

// The same rows as kMessageKeysSql, so the count always matches them.
const char* const MessagesDatabase::kMessageCountSql =
    "    SELECT COUNT(*)\n"
    "    FROM message m\n"
    "    JOIN chat_message_join cmj ON m.ROWID = cmj.message_id\n"
    "    LEFT JOIN handle h ON m.handle_id = h.ROWID\n"
    "    WHERE cmj.chat_id = ? AND " VARNHOLT_IN_WINDOW " AND NOT (" VARNHOLT_ATTACHED_REACTION ")";

// The reactions of one conversation in the order they were made, so that a removal meets what it removes.
const char* const MessagesDatabase::kReactionsSql =
    "    SELECT \n"
    "        m.associated_message_type,\n"
    "        " VARNHOLT_REACTION_TARGET("m") ",\n"
                                             "        m.associated_message_guid,\n"
                                             "        m.associated_message_emoji,\n"
                                             "        h.id,\n"
                                             "        m.is_from_me,\n"
                                             "        m.date,\n"
                                             "        m.ROWID,\n"
                                             "        m.cache_has_attachments\n"
                                             "    FROM message m\n"
                                             "    JOIN chat_message_join cmj ON m.ROWID = cmj.message_id\n"
                                             "    LEFT JOIN handle h ON m.handle_id = h.ROWID\n"
                                             "    WHERE cmj.chat_id = ? AND " VARNHOLT_ATTACHED_REACTION "\n"
                                             "    ORDER BY m.date, m.ROWID";

const char* const MessagesDatabase::kMembersSql = "    SELECT h.id\n"
                                                  "    FROM chat_handle_join chj\n"
                                                  "    JOIN handle h ON h.ROWID = chj.handle_id\n"
                                                  "    WHERE chj.chat_id = ?\n"
                                                  "    ORDER BY h.ROWID";

#undef VARNHOLT_REACTION_TARGET
#undef VARNHOLT_ATTACHED_REACTION
#undef VARNHOLT_IN_WINDOW

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
constexpr std::array<const char*, 7> kTables{"chat",       "chat_message_join",       "message",         "handle",
                                             "attachment", "message_attachment_join", "chat_handle_join"};
constexpr size_t kRequiredTables = 4;

const std::map<std::string, std::string>& aliases()
{
    static const std::map<std::string, std::string> kAliases{
        {"c", "chat"},
        {"cmj", "chat_message_join"},
        {"m", "message"},
        {"h", "handle"},
        {"a", "attachment"},
        {"maj", "message_attachment_join"},
        {"o", "message"},
        {"oh", "handle"},
        {"t", "message"},
        {"tj", "chat_message_join"},
        {"chj", "chat_handle_join"},
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
        const auto read = reader.m_db.columnsOf(table);
        if (!read) {
            // A damaged or foreign file fails here, on the first read of its schema.
            Trace::line("[MessagesExporter] \u274C Cannot read " + databasePath + ": " + read.error());
            return tl::unexpected(openFailed);
        }
        const std::set<std::string>& columns = *read;
        if (columns.empty()) {
            if (i < kRequiredTables)
                return tl::unexpected(DomainError(
                    kDomain, 2,
                    "The Messages database has no \u201c" + table +
                        "\u201d table, so it is damaged or not a Messages database. Export from a complete copy "
                        "of ~/Library/Messages.",
                    ErrorKind::damaged));
            Trace::line("[MessagesExporter] \u26A0\uFE0F No " + table +
                        (table == "chat_handle_join"
                             ? std::string(" table: conversations are exported without members")
                             : std::string(" table: messages are exported without attachments")));
            continue;
        }
        reader.m_columns.emplace(table, std::move(columns));
    }
    reader.m_messageKeysSql = reader.adaptToSchema(kMessageKeysSql);
    reader.m_messagesSql = reader.adaptToSchema(messagesByIdSql());
    reader.m_messageCountSql = reader.adaptToSchema(kMessageCountSql);
    reader.m_attachmentsSql = reader.adaptToSchema(kAttachmentsSql);
    reader.m_reactionsSql = reader.adaptToSchema(kReactionsSql);
    reader.m_membersSql = reader.adaptToSchema(kMembersSql);
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
    static const RE2 kQualified(R"(\b(c|cmj|m|h|a|maj|o|oh|t|tj|chj)\.([A-Za-z_][A-Za-z0-9_]*)\b)");
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

std::optional<MessageCursor> MessagesDatabase::messagesOf(const Conversation& chat, const DateWindow& window) const
{
    std::optional<Statement> prepared[3];
    const std::string* sql[3] = {&m_messageKeysSql, &m_messagesSql, &m_messageCountSql};
    for (int i = 0; i < 3; ++i) {
        auto statement = m_db.prepare(*sql[i]);
        if (!statement) {
            if (!m_readFailure)
                m_readFailure = statement.error();
            return std::nullopt;
        }
        prepared[i] = std::move(*statement);
    }
    Statement& keys = *prepared[0];
    Statement& count = *prepared[2];
    // Writers put the count before the messages. The statements read the same snapshot: the conversation
    // cursor's statement stays active throughout, and it holds the connection's read transaction open.
    for (Statement* rows : {&count, &keys}) {
        rows->bindInt(1, chat.chatId);
        rows->bindInt64(2, window.from);
        rows->bindInt64(3, window.until);
    }
    long long total = 0;
    const Statement::Step step = count.step();
    if (step == Statement::Step::Row)
        total = count.columnInt64(0);
    else if (step == Statement::Step::Error)
        noteReadFailure();
    return MessageCursor(*this, std::move(keys), std::move(*prepared[1]), total,
                         total > 0 ? reactionsOf(chat) : ReactionsByTarget{});
}

std::optional<long long> MessagesDatabase::messageCountOf(const Conversation& chat, const DateWindow& window) const
{
    auto count = m_db.prepare(m_messageCountSql);
    if (!count)
        return std::nullopt;
    count->bindInt(1, chat.chatId);
    count->bindInt64(2, window.from);
    count->bindInt64(3, window.until);
    if (count->step() != Statement::Step::Row)
        return std::nullopt;
    return count->columnInt64(0);
}

std::vector<Member> MessagesDatabase::membersOf(int chatId) const
{
    std::vector<Member> members;
    if (!m_columns.count("chat_handle_join"))
        return members;
    auto statement = m_db.prepare(m_membersSql);
    if (!statement)
        return members;
    statement->bindInt(1, chatId);
    Statement::Step step;
    while ((step = statement->step()) == Statement::Step::Row)
        members.push_back(Member{statement->columnText(0), std::nullopt});
    if (step == Statement::Step::Error)
        noteReadFailure();
    return members;
}

namespace {
std::string dateOf(std::int64_t timestamp)
{
    const double value = static_cast<double>(timestamp);
    const double seconds = std::fabs(value) < kSecondsThreshold ? value : value / 1'000'000'000.0;
    return formatIso8601(seconds + kAppleReferenceOffset);
}

// The N of "p:N/GUID"; 0 for every other form.
int reactionPart(const std::string& associatedGuid)
{
    static const RE2 kPart(R"(^p:(\d{1,9})/)");
    int part = 0;
    if (RE2::PartialMatch(associatedGuid, kPart, &part))
        return part;
    return 0;
}

constexpr std::size_t kQuoteCharacters = 60;

// The first characters of a text, for a quote.
std::string quoteOf(const std::string& text)
{
    std::size_t position = 0;
    for (std::size_t n = 0; n < kQuoteCharacters && position < text.size(); ++n)
        utf8::next(text, position);
    return utf8::repaired(std::string_view(text).substr(0, position));
}
} // namespace

ReactionsByTarget MessagesDatabase::reactionsOf(const Conversation& chat) const
{
    ReactionsByTarget reactions;
    auto statement = m_db.prepare(m_reactionsSql);
    if (!statement)
        return reactions;
    statement->bindInt(1, chat.chatId);
    Statement::Step step;
    while ((step = statement->step()) == Statement::Step::Row) {
        const std::int64_t type = statement->columnInt64(0);
        const bool removal = type >= 3000;
        Reaction reaction;
        reaction.kind = static_cast<ReactionKind>(type % 1000);
        reaction.part = reactionPart(statement->columnText(2));
        reaction.emoji = statement->columnOptionalText(3);
        reaction.isFromMe = statement->columnInt64(5) == 1;
        // One's own reactions may carry the other party's handle; it is not who reacted.
        if (!reaction.isFromMe)
            reaction.by = statement->columnOptionalText(4);
        reaction.date = dateOf(statement->columnInt64(6));
        std::vector<Reaction>& onTarget = reactions[statement->columnText(1)];
        if (removal) {
            // A removal takes back the same person's latest reaction of that kind on that part.
            for (auto it = onTarget.rbegin(); it != onTarget.rend(); ++it) {
                if (it->kind == reaction.kind && it->isFromMe == reaction.isFromMe && it->by == reaction.by &&
                    it->part == reaction.part) {
                    onTarget.erase(std::next(it).base());
                    break;
                }
            }
            continue;
        }
        if (reaction.kind == ReactionKind::sticker && statement->columnInt64(8) == 1) {
            std::vector<Attachment> files = attachmentsOf(statement->columnInt64(7));
            if (!files.empty())
                reaction.sticker = std::move(files.front());
        }
        onTarget.push_back(std::move(reaction));
    }
    if (step == Statement::Step::Error)
        noteReadFailure();
    return reactions;
}

Message MessagesDatabase::readMessage(const Statement& row, ReactionsByTarget* reactions) const
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
    message.date = dateOf(message.timestamp);
    message.isFromMe = row.columnInt64(5) == 1;
    message.sender = row.columnOptionalText(6);
    if (row.columnInt64(7) == 1)
        message.attachments = attachmentsOf(message.id);

    if (reactions) {
        if (auto found = reactions->find(message.guid); found != reactions->end()) {
            message.reactions = std::move(found->second);
            reactions->erase(found);
        }
    }
    if (auto replyTo = row.columnOptionalText(9); replyTo && !replyTo->empty()) {
        message.replyTo = std::move(replyTo);
        if (!row.isNull(10)) {
            message.replyToId = row.columnInt64(10);
            if (!row.isNull(11))
                message.replyQuote = quoteOf(row.columnText(11));
            else if (!row.isNull(12))
                message.replyQuote = quoteOf(messageTextFromAttributedBody(row.columnBlob(12)).value_or(""));
        }
    }
    readEvent(row, message);
    if (!row.isNull(17))
        readSummary(row.columnBlob(17), message);
    if (auto style = row.columnOptionalText(18); style && !style->empty())
        message.effect = effectName(*style);
    if (auto bundle = row.columnOptionalText(19); bundle && !bundle->empty())
        message.app = appName(*bundle);
    message.isAudio = row.columnInt64(20) == 1;
    return message;
}

void MessagesDatabase::readEvent(const Statement& row, Message& message)
{
    const std::int64_t itemType = row.columnInt64(13);
    const std::int64_t action = row.columnInt64(14);
    std::optional<GroupEvent> event;
    if (itemType == 1 && (action == 0 || action == 1)) {
        event = GroupEvent{action == 0 ? GroupEventKind::added : GroupEventKind::removed, std::nullopt,
                           row.columnOptionalText(15), std::nullopt};
    } else if (itemType == 2) {
        event =
            GroupEvent{GroupEventKind::renamed, row.columnOptionalText(16).value_or(""), std::nullopt, std::nullopt};
    } else if (itemType == 3 && action >= 0 && action <= 2) {
        static constexpr std::array<GroupEventKind, 3> kKinds{GroupEventKind::left, GroupEventKind::photoChanged,
                                                              GroupEventKind::photoRemoved};
        event = GroupEvent{kKinds[static_cast<std::size_t>(action)], std::nullopt, std::nullopt, std::nullopt};
    }
    // Any other item is kept as a plain message with what it holds.
    message.event = std::move(event);
}

void MessagesDatabase::readSummary(std::string_view blob, Message& message)
{
    const std::optional<MessageSummaryInfo> summary = parseMessageSummaryInfo(blob);
    if (!summary)
        return;
    std::string current;
    for (const auto& [part, versions] : summary->versions) {
        for (std::size_t i = 0; i + 1 < versions.size(); ++i)
            message.edits.push_back(
                Edit{formatIso8601(versions[i].seconds + kAppleReferenceOffset), utf8::repaired(versions[i].text)});
        current += versions.back().text;
    }
    // Edited messages often keep no text of their own; their current version is the last of each part.
    if (message.text.empty() && !current.empty())
        message.text = utf8::repaired(current);
    if (summary->unsentParts.empty())
        return;
    bool everyPart = !summary->parts.empty();
    for (const int part : summary->parts)
        everyPart = everyPart && summary->unsentParts.count(part) > 0;
    if (summary->parts.empty())
        everyPart = message.text.empty() && message.attachments.empty();
    if (everyPart)
        message.unsent = true;
    else
        message.unsentParts.assign(summary->unsentParts.begin(), summary->unsentParts.end());
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
