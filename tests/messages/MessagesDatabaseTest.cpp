#include "MessagesTestSupport.h"

#include "platform/Database.h"
#include "sample-home/MessagesSample.h"
#include "sample-home/SampleFiles.h"
#include "sources/messages/MessagesDatabase.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

namespace fs = std::filesystem;
struct Exported {
    Conversation chat;
    std::vector<Message> messages;
};

std::vector<Exported> readAll(const MessagesDatabase& db, TestMode mode = TestMode::off, long long limit = 10,
                              long long* total = nullptr)
{
    auto cursor = db.conversations(mode, limit);
    EXPECT_TRUE(cursor);
    if (total)
        *total = cursor->total();
    std::vector<Exported> all;
    while (auto chat = cursor->next()) {
        Exported exported{*chat, {}};
        auto rows = db.messagesOf(*chat);
        EXPECT_TRUE(rows);
        while (auto message = rows->next())
            exported.messages.push_back(std::move(*message));
        EXPECT_FALSE(rows->failed());
        EXPECT_EQ(rows->total(), static_cast<long long>(exported.messages.size())) << "counted before reading";
        all.push_back(std::move(exported));
    }
    return all;
}

class MessagesDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { test::buildMessagesHome(m_home.path()); }
    MessagesDatabase open()
    {
        auto db = MessagesDatabase::open(sample::messagesDatabasePath(m_home.path()).string(), m_home.str());
        EXPECT_TRUE(db) << (db ? "" : db.error().description());
        return std::move(*db);
    }
    test::TempDir m_home;
};

TEST_F(MessagesDatabaseTest, TestModeLimitsConversationsAndTotal)
{
    const MessagesDatabase db = open();
    long long total = 0;
    auto two = readAll(db, TestMode::on, 2, &total);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(total, 2);
    EXPECT_EQ(two[1].chat.chatId, 2);
    readAll(db, TestMode::on, 40, &total);
    EXPECT_EQ(total, 12);
}

TEST(MessagesDatabase, OldSchemasSelectNullForMissingColumns)
{
    test::TempDir temp;
    const fs::path path = temp / "chat.db";
    {
        auto db = Database::open(path.string(), Database::Mode::ReadWriteCreate);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->exec(
            "CREATE TABLE chat (ROWID INTEGER PRIMARY KEY, guid TEXT, chat_identifier TEXT, service_name TEXT);"
            "CREATE TABLE chat_message_join (chat_id INTEGER, message_id INTEGER);"
            "CREATE TABLE message (ROWID INTEGER PRIMARY KEY, guid TEXT, text TEXT, date INTEGER, handle_id INTEGER);"
            "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY, id TEXT);"
            "INSERT INTO chat VALUES (1, NULL, '+1555', 'SMS');"
            "INSERT INTO message VALUES (1, 'g', 'hello', 468107954, 1);"
            "INSERT INTO handle VALUES (1, '+1555');"
            "INSERT INTO chat_message_join VALUES (1, 1);"));
    }
    auto db = MessagesDatabase::open(path.string(), temp.str());
    ASSERT_TRUE(db) << db.error().description();
    EXPECT_NE(db->adaptToSchema(MessagesDatabase::kChatsSql).find("NULL\n    FROM chat c"), std::string::npos);
    const auto all = readAll(*db);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].chat.guid, "");
    EXPECT_FALSE(all[0].chat.displayName);
    const Message& message = all[0].messages[0];
    EXPECT_EQ(message.text, "hello");
    EXPECT_EQ(message.sender, "+1555");
    EXPECT_FALSE(message.isFromMe);
    EXPECT_FALSE(message.service);
    EXPECT_TRUE(message.attachments.empty());
}

TEST(MessagesDatabase, DamagedOrForeignFilesGiveClearErrors)
{
    test::TempDir temp;
    test::TraceCapture trace;
    const fs::path garbage = temp / "garbage.db";
    sample::writeSampleFile(garbage, std::string(8192, '\x5A'));
    auto opened = MessagesDatabase::open(garbage.string(), temp.str());
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().code(), 1);
    EXPECT_EQ(opened.error().description(), "Failed to open Messages database");
    EXPECT_EQ(opened.error().kind(), ErrorKind::damaged);
    EXPECT_TRUE(trace.contains("[MessagesExporter] \u274C Cannot read \u201c" + garbage.string() +
                               "\u201d: file is not a database"));
    auto absent = MessagesDatabase::open((temp / "absent.db").string(), temp.str());
    ASSERT_FALSE(absent);
    EXPECT_EQ(absent.error().code(), 1);
    EXPECT_EQ(absent.error().kind(), ErrorKind::notFound);

    const fs::path foreign = temp / "foreign.db";
    {
        auto db = Database::open(foreign.string(), Database::Mode::ReadWriteCreate);
        ASSERT_TRUE(db->exec("CREATE TABLE chat (ROWID INTEGER PRIMARY KEY, guid TEXT);"));
    }
    auto partial = MessagesDatabase::open(foreign.string(), temp.str());
    ASSERT_FALSE(partial);
    EXPECT_EQ(partial.error().code(), 2);
    EXPECT_EQ(partial.error().kind(), ErrorKind::damaged);
    EXPECT_NE(partial.error().description().find("\u201cchat_message_join\u201d table"), std::string::npos);
}

} // namespace
} // namespace varnholt
