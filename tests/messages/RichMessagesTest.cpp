#include "MessagesTestSupport.h"

#include "model/messages/Conversation.h"
#include "platform/Database.h"
#include "sample-home/MessagesSample.h"
#include "sources/messages/MessageSummaryInfo.h"
#include "sources/messages/MessagesDatabase.h"
#include "support/RealData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

TEST(ConversationTitle, StoredNameElseContactOrIdentifierElseMembers)
{
    Conversation chat{1, "g", "+15551234567", "iMessage", std::string(""), ConversationStyle::oneToOne, {}};
    EXPECT_EQ(conversationTitle(chat, std::nullopt), "+15551234567") << "an empty stored name is no name";
    EXPECT_EQ(conversationTitle(chat, std::string("Ada Byron")), "Ada Byron");
    chat.displayName = "Chess club";
    EXPECT_EQ(conversationTitle(chat, std::string("Ada Byron")), "Chess club");

    Conversation group{2, "g", "chat1", "iMessage", std::string(""), ConversationStyle::group, {}};
    EXPECT_EQ(conversationTitle(group, std::nullopt), "chat1") << "a group without members keeps its identifier";
    group.members = {{"+1555", std::string("Ada Byron")}, {"bob@example.com", std::nullopt}};
    EXPECT_EQ(conversationTitle(group, std::nullopt), "Ada Byron & bob@example.com");
    group.members.push_back({"+4915", std::string("Jonas")});
    EXPECT_EQ(conversationTitle(group, std::nullopt), "Ada Byron, bob@example.com & Jonas");
    group.members.push_back({"+33", std::nullopt});
    EXPECT_EQ(conversationTitle(group, std::nullopt), "Ada Byron, bob@example.com & 2 more");
    // Without a stored style, more than one member makes a group.
    group.style = ConversationStyle::unknown;
    EXPECT_EQ(conversationTitle(group, std::string("ignored")), "Ada Byron, bob@example.com & 2 more");
}

class RichMessagesTest : public ::testing::Test {
protected:
    void SetUp() override { test::buildMessagesHome(m_home.path()); }

    void change(const std::string& sql)
    {
        auto db = Database::open(sample::messagesDatabasePath(m_home.path()).string(), Database::Mode::ReadWriteCreate);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->exec(sql)) << sql;
    }

    // The conversation with this identifier, its members and messages read as the export reads them.
    std::pair<Conversation, std::vector<Message>> read(const std::string& identifier, const DateWindow& window = {})
    {
        auto db = MessagesDatabase::open(sample::messagesDatabasePath(m_home.path()).string(), m_home.str());
        EXPECT_TRUE(db);
        auto cursor = db->conversations(TestMode::off, 0);
        while (auto chat = cursor->next()) {
            if (chat->identifier != identifier)
                continue;
            chat->members = db->membersOf(chat->chatId);
            std::vector<Message> messages;
            auto rows = db->messagesOf(*chat, window);
            while (auto message = rows->next())
                messages.push_back(std::move(*message));
            EXPECT_EQ(rows->total(), static_cast<long long>(messages.size()));
            return {*chat, messages};
        }
        ADD_FAILURE() << "no conversation " << identifier;
        return {};
    }

    static const Message& withText(const std::vector<Message>& messages, const std::string& text)
    {
        for (const Message& message : messages)
            if (message.text == text)
                return message;
        static const Message kNone;
        ADD_FAILURE() << "no message " << text;
        return kNone;
    }

    test::TempDir m_home;
};

// Whatever the rows hold, nothing crashes and nothing is dropped: unknown things stay plain messages.
TEST_F(RichMessagesTest, BadRowsStayMessages)
{
    change(
        "UPDATE message SET associated_message_type = 2000, associated_message_guid = 'p:9/' || "
        "(SELECT guid FROM message WHERE text = 'Who books the train?') WHERE text = 'Great, thanks!\nSee you all on "
        "Saturday.';"
        "UPDATE message SET item_type = 42, group_action_type = 7 WHERE text = 'Who books the train?';"
        "UPDATE message SET message_summary_info = X'00FF62706C697374' WHERE text LIKE 'Hi! Are we%';"
        "UPDATE message SET associated_message_type = 2006, associated_message_emoji = '', "
        "associated_message_guid = (SELECT guid FROM message WHERE text LIKE 'Hi! Are we%') WHERE text = 'Friday it "
        "is!';"
        "UPDATE message SET associated_message_type = 3001, associated_message_guid = 'p:0/' || (SELECT guid FROM "
        "message WHERE text LIKE 'Yes %') WHERE text = 'https://example.com/article \uFFFC';"
        // Two messages answering each other.
        "UPDATE message SET thread_originator_guid = (SELECT guid FROM message WHERE text LIKE 'Yes %') WHERE text "
        "LIKE 'Hi! Are we%';"
        "UPDATE message SET thread_originator_guid = (SELECT guid FROM message WHERE text LIKE 'Hi! Are we%') WHERE "
        "text LIKE 'Yes %';");
    const auto [family, f] = read("chat123456789");
    ASSERT_EQ(f.size(), 6u) << "the reaction to part 9 joins its message";
    EXPECT_FALSE(f[0].event) << "an unknown item is a plain message";
    EXPECT_EQ(f[0].text, "Who books the train?");
    ASSERT_EQ(f[0].reactions.size(), 1u);
    EXPECT_EQ(f[0].reactions[0].part, 9);

    const auto [alice, m] = read("+15551234567");
    // The empty-emoji reaction joins its target; the removal of a reaction never made leaves nothing behind;
    // the sticker placed on what is now a reaction stays a message of its own.
    ASSERT_EQ(m.size(), 12u);
    EXPECT_EQ(withText(m, "Reacted with a sticker").attachments.size(), 1u);
    EXPECT_EQ(m[0].text, "Hi! Are we still on for Friday? \U0001F389") << "an unreadable summary keeps the text";
    ASSERT_EQ(m[0].reactions.size(), 3u);
    EXPECT_EQ(m[0].reactions[2].kind, ReactionKind::emoji);
    EXPECT_EQ(m[0].reactions[2].emoji, "");
    EXPECT_EQ(m[0].replyTo, m[1].guid);
    EXPECT_EQ(m[1].replyTo, m[0].guid);
}

TEST_F(RichMessagesTest, TheDateWindowKeepsItsDaysOnly)
{
    // 2024-03-05T14:06:22Z and the next three messages, three minutes apart.
    const std::int64_t first = 731340382LL * 1'000'000'000LL;
    const auto [chat, m] = read("+15551234567", DateWindow{first, first + 9 * 60 * 1'000'000'000LL});
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0].timestamp, first);
    // Older databases store seconds; the same window in nanoseconds applies to them.
    const auto [sms, old] =
        read("+15559876543", DateWindow{468107954LL * 1'000'000'000LL, 468107954LL * 1'000'000'000LL});
    ASSERT_EQ(old.size(), 1u);
    EXPECT_EQ(old[0].text, "Your table for 2 is confirmed.");
}

// Longer than a batch, written newest first: read in date order all the same, each message once.
TEST_F(RichMessagesTest, ALongConversationIsReadInDateOrderAcrossBatches)
{
    std::string sql = "INSERT INTO chat (guid, chat_identifier, service_name, display_name, style) VALUES "
                      "('long', 'long-chat', 'iMessage', 'Long', 43);";
    const int count = static_cast<int>(MessagesDatabase::kMessageBatch) * 2 + 77;
    for (int i = 0; i < count; ++i) {
        sql += "INSERT INTO message (guid, text, date) VALUES ('long-" + std::to_string(i) + "', 'n" +
               std::to_string(count - 1 - i) + "', " + std::to_string(800000000000000000LL - i * 1000000000LL) +
               ");INSERT INTO chat_message_join (chat_id, message_id) SELECT (SELECT ROWID FROM chat WHERE guid = "
               "'long'), last_insert_rowid();";
    }
    change(sql);
    const auto [chat, m] = read("long-chat");
    ASSERT_EQ(m.size(), static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(m[static_cast<std::size_t>(i)].text, "n" + std::to_string(i)) << i;
}

TEST(MessageSummaryInfo, ReadsTheRealBlobs)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    const fs::path folder = realdata / "ReagentX_imessage-exporter/edited_message";
    auto parse = [&folder](const char* name) {
        auto info = parseMessageSummaryInfo(*readFile(folder / name));
        EXPECT_TRUE(info) << name;
        return info.value_or(MessageSummaryInfo{});
    };
    auto texts = [](const MessageSummaryInfo& info, int part) {
        std::vector<std::string> out;
        for (const auto& version : info.versions.at(part))
            out.push_back(version.text);
        return out;
    };
    const MessageSummaryInfo edited = parse("Edited.plist");
    EXPECT_EQ(texts(edited, 0), (std::vector<std::string>{"First message  ", "Edit 1", "Edit 2", "Edited message"}));
    EXPECT_GT(edited.versions.at(0)[1].seconds, edited.versions.at(0)[0].seconds);
    const MessageSummaryInfo back = parse("EditedToLinkAndBack.plist");
    EXPECT_EQ(texts(back, 0).front(), "This is a normal message");
    EXPECT_EQ(texts(back, 0).back(), "And edit it back to a normal message...");
    const MessageSummaryInfo deleted = parse("Deleted.plist");
    EXPECT_EQ(deleted.unsentParts, (std::set<int>{0}));
    EXPECT_EQ(deleted.parts, (std::set<int>{0}));
    const MessageSummaryInfo both = parse("EditedAndUnsent.plist");
    EXPECT_EQ(texts(both, 2), (std::vector<std::string>{"Second test", "Second test was edited!"}));
    EXPECT_EQ(both.unsentParts, (std::set<int>{3}));
    EXPECT_EQ(parse("MultiPartOneDeleted.plist").unsentParts, (std::set<int>{3}));
    parse("EditedWithFormatting.plist"); // an XML property list
}

TEST(MessageSummaryInfo, AnythingElseIsNothingOrSkipped)
{
    EXPECT_FALSE(parseMessageSummaryInfo(""));
    EXPECT_FALSE(parseMessageSummaryInfo("not a property list at all"));
    EXPECT_FALSE(parseMessageSummaryInfo(std::string("bplist00\xFF\xFF\xFF", 11)));
    // A list at the top, and a dictionary whose entries have the wrong types.
    EXPECT_FALSE(parseMessageSummaryInfo("<plist><array><integer>1</integer></array></plist>"));
    const auto odd = parseMessageSummaryInfo(
        "<plist><dict><key>ec</key><dict><key>x</key><array/><key>0</key><string>no</string>"
        "<key>1</key><array><integer>5</integer><dict><key>t</key><string>x</string></dict></array></dict>"
        "<key>rp</key><array><string>0</string><integer>2</integer></array><key>otr</key><string>x</string>"
        "</dict></plist>");
    ASSERT_TRUE(odd);
    ASSERT_EQ(odd->versions.size(), 1u);
    EXPECT_EQ(odd->versions.at(1).size(), 1u);
    EXPECT_EQ(odd->versions.at(1)[0].text, "");
    EXPECT_EQ(odd->unsentParts, (std::set<int>{2}));
    EXPECT_TRUE(odd->parts.empty());
}

} // namespace
} // namespace varnholt
