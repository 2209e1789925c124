#pragma once

#include "model/messages/Attachment.h"
#include "model/messages/Conversation.h"
#include "model/messages/DateWindow.h"
#include "model/messages/Message.h"
#include "model/messages/TestMode.h"
#include "platform/Database.h"
#include "platform/DomainError.h"
#include "platform/Statement.h"
#include "sources/DatabaseSnapshot.h"
#include "sources/messages/ConversationCursor.h"
#include "sources/messages/MessageCursor.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <tl/expected.hpp>

namespace varnholt {

// Read-only access to the Messages database (chat.db) through a DatabaseSnapshot: read in
// place without writing beside it, changes not yet checkpointed included. The schema is
// checked once: a column the statements name but this database version lacks is selected
// as NULL, so its NULL rule applies.
class MessagesDatabase {
public:
    static constexpr const char* kDomain = "MessagesExporter";

    static const char* const kCountSql;
    static const char* const kChatsSql;
    static const char* const kMessageKeysSql;
    // The messages statement without its list of ids; messagesByIdSql() completes it.
    static const char* const kMessagesSql;
    static constexpr std::size_t kMessageBatch = 256;
    static std::string messagesByIdSql();
    static const char* const kMessageCountSql;
    static const char* const kAttachmentsSql;
    static const char* const kReactionsSql;
    static const char* const kMembersSql;
    // The conversation query and the progress total, with the test limit appended in test mode.
    static std::string chatsSql(TestMode testMode, long long limit);
    static std::string totalSql(TestMode testMode, long long limit);

    // `homeDirectory` replaces every "~" in attachment file names. `scratchFolder` is where a copy may
    // go if the database cannot be read in place (see DatabaseSnapshot); empty for a dry run.
    [[nodiscard]] static tl::expected<MessagesDatabase, DomainError>
    open(const std::string& databasePath, std::string homeDirectory, const std::filesystem::path& scratchFolder = {});

    MessagesDatabase(MessagesDatabase&&) noexcept = default;
    MessagesDatabase& operator=(MessagesDatabase&&) noexcept = default;
    ~MessagesDatabase();

    // Conversations that have at least one message.
    [[nodiscard]] tl::expected<long long, DomainError> countMessages() const;
    [[nodiscard]] tl::expected<ConversationCursor, DomainError> conversations(TestMode testMode, long long limit) const;
    // The messages of one conversation within `window`, counted and ready to step, its reactions gathered
    // to go with them; nothing when the statements cannot be prepared, which is noted as a read failure, as
    // is a count that fails to read. Reactions attached to a message of the conversation are not messages of their own.
    std::optional<MessageCursor> messagesOf(const Conversation& chat, const DateWindow& window = {}) const;
    // How many messages of one conversation lie within `window`; nothing when that cannot be read.
    std::optional<long long> messageCountOf(const Conversation& chat, const DateWindow& window) const;
    // The members of a conversation (chat_handle_join), whether or not they wrote; addresses only.
    std::vector<Member> membersOf(int chatId) const;
    // The reactions standing on each message of a conversation (by target GUID), removals applied.
    ReactionsByTarget reactionsOf(const Conversation& chat) const;
    // The message of the messages statement's current row (attachments included), taking its reactions
    // out of `reactions`. The row's first column is the message's row id.
    Message readMessage(const Statement& row, ReactionsByTarget* reactions = nullptr) const;
    // The attachments of one message; empty when there are none or the query cannot be prepared.
    std::vector<Attachment> attachmentsOf(std::int64_t messageId) const;

    // The SQLite message of the first read that failed part-way (rows of a damaged database), if any.
    const std::optional<std::string>& readFailure() const { return m_readFailure; }
    void noteReadFailure() const;
    // The error that ends an export whose database could not be read to the end.
    DomainError damaged(const std::string& where) const;

    // A statement text with every column this database lacks replaced by NULL.
    std::string adaptToSchema(const std::string& sql) const;
    bool hasColumn(const std::string& table, const std::string& column) const;

private:
    MessagesDatabase() = default;
    static void readEvent(const Statement& row, Message& message);
    static void readSummary(std::string_view blob, Message& message);

    // Declared in this order so that statements are finalised, then the connection closed, then the
    // snapshot removed.
    DatabaseSnapshot m_snapshot;
    Database m_db;
    std::string m_home;
    std::map<std::string, std::set<std::string>> m_columns; // table -> columns present
    std::string m_messageKeysSql;
    std::string m_messagesSql;
    std::string m_messageCountSql;
    std::string m_attachmentsSql;
    std::string m_reactionsSql;
    std::string m_membersSql;
    // Prepared on first use and reused for every message with attachments.
    mutable std::optional<Statement> m_attachmentStatement;
    mutable std::optional<std::string> m_readFailure;
};

} // namespace varnholt
