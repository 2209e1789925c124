#include "render/messages/ConversationWriters.h"
#include "render/messages/ConversationFileNames.h"
#include "support/StringSink.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <random>

namespace varnholt {
namespace {

using nlohmann::json;

const Conversation kAlice{
    7, "iMessage;-;+15551234567", "+15551234567", "iMessage", std::nullopt, ConversationStyle::oneToOne, {}};

Message message(bool fromMe, std::optional<std::string> sender, std::string date, std::string text,
                std::vector<std::optional<std::string>> attachmentNames = {})
{
    Message m;
    m.isFromMe = fromMe;
    m.sender = std::move(sender);
    m.date = std::move(date);
    m.text = std::move(text);
    for (auto& name : attachmentNames) {
        Attachment attachment;
        attachment.filename = std::move(name);
        m.attachments.push_back(std::move(attachment));
    }
    return m;
}

struct Rendered {
    std::string json;
    std::string html;
    std::string text;
};

Rendered render(const Conversation& conversation, const std::string& displayName, const std::vector<Message>& messages)
{
    test::StringSink json;
    test::StringSink html;
    test::StringSink text;
    ConversationWriters writers(json, html, text);
    writers.begin(conversation, displayName, static_cast<long long>(messages.size()));
    for (const Message& m : messages)
        writers.add(m);
    writers.end();
    return {json.bytes, html.bytes, text.bytes};
}

// The record as earlier versions built it, in nlohmann::json, and its text as they wrote it: the reference
// the streamed JSON must match byte for byte.
std::string referenceJson(const Conversation& chat, const std::string& displayName,
                          const std::vector<Message>& messages)
{
    json records = json::array();
    for (const Message& m : messages) {
        json record{{"id", m.id},     {"guid", m.guid},           {"text", m.text},
                    {"date", m.date}, {"timestamp", m.timestamp}, {"is_from_me", m.isFromMe}};
        if (m.service)
            record["service"] = *m.service;
        if (m.sender)
            record["sender"] = *m.sender;
        if (m.senderName)
            record["sender_name"] = *m.senderName;
        for (const Reaction& r : m.reactions) {
            json reaction{{"kind", reactionKindName(r.kind)},
                          {"by", r.by ? json(*r.by) : json(nullptr)},
                          {"is_from_me", r.isFromMe},
                          {"date", r.date}};
            if (r.byName)
                reaction["by_name"] = *r.byName;
            if (r.kind == ReactionKind::emoji)
                reaction["emoji"] = r.emoji.value_or("");
            if (r.part != 0)
                reaction["part"] = r.part;
            record["reactions"].push_back(std::move(reaction));
        }
        if (m.replyTo)
            record["reply_to"] = *m.replyTo;
        if (m.event) {
            json event{{"kind", groupEventKindName(m.event->kind)}};
            if (m.event->name)
                event["name"] = *m.event->name;
            if (m.event->kind == GroupEventKind::added || m.event->kind == GroupEventKind::removed) {
                event["who"] = m.event->who ? json(*m.event->who) : json(nullptr);
                if (m.event->whoName)
                    event["who_name"] = *m.event->whoName;
            }
            record["event"] = std::move(event);
        }
        for (const Edit& e : m.edits)
            record["edits"].push_back({{"date", e.date}, {"text", e.text}});
        if (m.unsent)
            record["unsent"] = true;
        if (!m.unsentParts.empty())
            record["unsent_parts"] = m.unsentParts;
        if (m.effect)
            record["effect"] = *m.effect;
        if (m.app)
            record["app"] = *m.app;
        if (m.isAudio)
            record["is_audio"] = true;
        for (const Attachment& a : m.attachments) {
            json attachment{{"id", a.id}, {"guid", a.guid}, {"size", a.size}, {"is_sticker", a.isSticker}};
            if (a.filename)
                attachment["filename"] = *a.filename;
            if (a.expandedPath)
                attachment["expanded_path"] = *a.expandedPath;
            if (a.mimeType)
                attachment["mime_type"] = *a.mimeType;
            record["attachments"].push_back(std::move(attachment));
        }
        records.push_back(std::move(record));
    }
    json members = json::array();
    for (const Member& member : chat.members)
        members.push_back({{"id", member.id}, {"name", member.name ? json(*member.name) : json(nullptr)}});
    const json conversation{
        {"chat_id", chat.chatId},
        {"guid", chat.guid},
        {"participants", json::array({chat.identifier})},
        {"service", chat.service},
        {"display_name", displayName},
        {"members", members},
        {"message_count", records.size()},
        {"messages", std::move(records)},
    };
    return conversation.dump(2, ' ', false, json::error_handler_t::replace);
}

// Bytes that exercise every escaping rule: controls, quotes, backslashes, DEL, every length of UTF-8,
// and broken sequences of every kind (stray continuations, truncations, overlongs, surrogates, > U+10FFFF).
std::string hostileText(std::mt19937& random)
{
    static const std::vector<std::string> kPieces{
        "a",
        "plain words ",
        "\"",
        "\\",
        "/",
        "\b",
        "\f",
        "\n",
        "\r",
        "\t",
        std::string(1, '\0'),
        "\x01",
        "\x1F",
        "\x7F",
        "é",
        "東京",
        "📸",
        "\xC3",
        "\xE6\x9D",
        "\xF0\x9F\x93",
        "\x80",
        "\xBF",
        "\xC0\xAF",
        "\xE0\x80\xAF",
        "\xED\xA0\x80",
        "\xF4\x90\x80\x80",
        "\xF8\x88\x80\x80\x80",
        "\xFF",
        "\xFE",
        "<b>&'",
    };
    std::uniform_int_distribution<size_t> piece(0, kPieces.size() - 1);
    std::uniform_int_distribution<int> count(0, 12);
    std::string text;
    for (int n = count(random); n > 0; --n)
        text += kPieces[piece(random)];
    return text;
}

std::optional<std::string> maybe(std::mt19937& random, std::string text)
{
    return random() % 3 == 0 ? std::nullopt : std::optional<std::string>(std::move(text));
}

// Reactions, replies, events, edits and the other keys that only some messages have, filled at random.
void addRichFields(std::mt19937& random, Message& m)
{
    m.senderName = maybe(random, hostileText(random));
    for (int r = static_cast<int>(random() % 4) - 1; r > 0; --r) {
        Reaction reaction;
        reaction.kind = static_cast<ReactionKind>(random() % 8);
        reaction.emoji = maybe(random, hostileText(random));
        reaction.by = maybe(random, hostileText(random));
        reaction.byName = maybe(random, hostileText(random));
        reaction.isFromMe = random() % 2 == 1;
        reaction.date = hostileText(random);
        reaction.part = static_cast<int>(random() % 3);
        m.reactions.push_back(std::move(reaction));
    }
    if (random() % 3 == 0)
        m.replyTo = hostileText(random);
    if (random() % 4 == 0)
        m.event = GroupEvent{static_cast<GroupEventKind>(random() % 6), maybe(random, hostileText(random)),
                             maybe(random, hostileText(random)), maybe(random, hostileText(random))};
    for (int e = static_cast<int>(random() % 4) - 1; e > 0; --e)
        m.edits.push_back(Edit{hostileText(random), hostileText(random)});
    m.unsent = random() % 5 == 0;
    if (random() % 5 == 0)
        m.unsentParts = {static_cast<int>(random() % 4), 7};
    m.effect = random() % 4 == 0 ? maybe(random, hostileText(random)) : std::nullopt;
    m.app = random() % 4 == 0 ? maybe(random, hostileText(random)) : std::nullopt;
    m.isAudio = random() % 6 == 0;
}

TEST(PlainTextWriter, WritesTheExactTranscript)
{
    const std::vector<Message> messages{
        message(true, std::nullopt, "2024-03-05T14:03:22Z", "Hi"),
        message(false, "+15551234567", "2024-03-05T14:04:00Z", "two\nlines"),
        message(false, "+4915112345678", "2024-03-05T14:05:00Z", "group"),
        message(false, std::nullopt, "2024-03-06T09:00:00Z", "no handle", {std::nullopt}),
        message(true, "+15551234567", "2024-03-06T09:01:00Z", "",
                {"~/Library/Messages/Attachments/a/IMG_1.jpg", std::nullopt, "plain.txt"}),
    };
    const std::string rule(80, '=');
    EXPECT_EQ(render(kAlice, "Alice Smith", messages).text,
              rule + "\nConversation: Alice Smith\nService: iMessage\nMessages: 5\n" + rule +
                  "\n--- Tuesday, 5 March 2024 ---\n\n"
                  "[2024-03-05T14:03:22Z] Me: Hi\n\n"
                  "[2024-03-05T14:04:00Z] Alice Smith: two\nlines\n\n"
                  "[2024-03-05T14:05:00Z] +4915112345678: group\n\n"
                  "--- Wednesday, 6 March 2024 ---\n\n"
                  "[2024-03-06T09:00:00Z] Other: no handle\n  Attachments: \n\n"
                  "[2024-03-06T09:01:00Z] Me: \n  Attachments: IMG_1.jpg plain.txt \n\n");
}

// A group's page and transcript: names on every sender, reactions under their message, a reply linking to
// what it answers, events as lines of their own, edits, unsent messages, markers, and the attachments shown
// inline through relative links or named as missing.
std::vector<Message> richMessages(const std::string& hostile)
{
    Message question = message(false, "+1555", "2024-03-05T14:00:00Z", "Are we still on? " + hostile);
    question.id = 41;
    question.senderName = "Ada " + hostile;
    question.reactions = {Reaction{ReactionKind::loved, std::nullopt, std::nullopt, std::nullopt, std::nullopt, true,
                                   "2024-03-05T14:01:00Z", 0},
                          Reaction{ReactionKind::emoji, hostile, std::nullopt, "+4915", "Bob " + hostile, false,
                                   "2024-03-05T14:02:00Z", 0}};
    Message reply = message(true, std::nullopt, "2024-03-06T09:00:00Z", "Yes",
                            {"~/a/photo.jpg", "~/a/clip.mov", "~/a/voice.caf", "~/a/gone.jpg", "~/a/sticker.heic"});
    reply.id = 42;
    reply.replyTo = "GUID-41";
    reply.replyToId = 41;
    reply.replyQuote = "Are we still on? " + hostile;
    const char* mimes[] = {"image/jpeg", "video/quicktime", "audio/x-caf", "image/jpeg", "image/heic"};
    for (std::size_t i = 0; i < reply.attachments.size(); ++i) {
        reply.attachments[i].mimeType = mimes[i];
        reply.attachments[i].exportedPath = "attachments/Ada & co/" + lastPathComponent(*reply.attachments[i].filename);
    }
    reply.attachments[3].exportedPath.reset();
    reply.attachments[3].missing = true;
    reply.attachments[4].isSticker = true;
    reply.effect = "Slam";
    Message orphan = message(false, "+4915", "2024-03-06T09:01:00Z", "about that");
    orphan.id = 43;
    orphan.replyTo = "GUID-GONE";
    Message renamed = message(false, "+4915", "2024-03-06T09:02:00Z", "");
    renamed.id = 44;
    renamed.senderName = "Bob";
    renamed.event = GroupEvent{GroupEventKind::renamed, hostile, std::nullopt, std::nullopt};
    Message added = message(true, std::nullopt, "2024-03-06T09:03:00Z", "");
    added.id = 45;
    added.event = GroupEvent{GroupEventKind::added, std::nullopt, "+33", std::nullopt};
    Message edited = message(true, std::nullopt, "2024-03-06T09:04:00Z", "Edited message");
    edited.id = 46;
    edited.edits = {Edit{"2024-03-06T09:04:00Z", "First " + hostile}};
    edited.unsentParts = {1};
    edited.app = "Link preview";
    Message unsent = message(false, "+4915", "2024-03-06T09:05:00Z", "");
    unsent.id = 47;
    unsent.senderName = "Bob";
    unsent.unsent = true;
    Message audio = message(false, "+4915", "2024-03-06T09:06:00Z", "\uFFFC");
    audio.id = 48;
    audio.isAudio = true;
    return {question, reply, orphan, renamed, added, edited, unsent, audio};
}

TEST(HtmlWriter, ShowsWhatMessagesHoldBeyondTheirText)
{
    Conversation group{9, "g", "chat9", "iMessage", std::string(""), ConversationStyle::group, {}};
    const Rendered out = render(group, "Ada, Bob & 2 more", richMessages("<b>x</b>"));
    const std::string& page = out.html;
    for (const char* piece : {
             "<div class=\"day\">Tuesday, 5 March 2024</div>",
             "<div class=\"day\">Wednesday, 6 March 2024</div>",
             "id=\"m41\"",
             "<strong>Ada &lt;b&gt;x&lt;/b&gt;</strong>",
             "<div class=\"reactions\">\u2764\uFE0F Me, &lt;b&gt;x&lt;/b&gt; Bob &lt;b&gt;x&lt;/b&gt;</div>",
             "<div class=\"reply\">\u21AA <a href=\"#m41\">Are we still on? &lt;b&gt;x&lt;/b&gt;</a></div>",
             "\u21AA in reply to a message not in this export",
             "<img src=\"../attachments/Ada%20%26%20co/photo.jpg\" alt=\"photo.jpg\">",
             "<video controls preload=\"none\" src=\"../attachments/Ada%20%26%20co/clip.mov\"></video>",
             "<audio controls preload=\"none\" src=\"../attachments/Ada%20%26%20co/voice.caf\"></audio>",
             "<div class=\"missing\">Missing attachment: gone.jpg</div>",
             "sticker.heic</a> (sticker)",
             "<div class=\"event\" id=\"m44\">Bob named the conversation \u201C&lt;b&gt;x&lt;/b&gt;\u201D",
             "<div class=\"event\" id=\"m45\">You added +33 to the conversation",
             "<li>First &lt;b&gt;x&lt;/b&gt; <span class=\"timestamp\">2024-03-06T09:04:00Z</span></li>",
             "<div class=\"note\">Part of this message was unsent. Link preview.</div>",
             "<div class=\"note\">Sent with Slam.</div>",
             "<div class=\"unsent\">Bob unsent a message</div>",
             "<div class=\"note\">Audio message.</div>",
         })
        EXPECT_NE(page.find(piece), std::string::npos) << piece;
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    for (const char* forbidden : {"<script", "http:", "https:", "//"})
        EXPECT_EQ(page.find(forbidden), std::string::npos) << forbidden;

    const std::string& text = out.text;
    for (const char* line : {
             "--- Wednesday, 6 March 2024 ---\n",
             "[2024-03-05T14:00:00Z] Ada <b>x</b>: Are we still on? <b>x</b>\n  Reactions: \u2764\uFE0F Me, <b>x</b> "
             "Bob "
             "<b>x</b>\n",
             "  \u21AA in reply to: Are we still on? <b>x</b>\n",
             "  Attachments: photo.jpg clip.mov voice.caf gone.jpg (missing) sticker.heic (sticker) \n  Sent with "
             "Slam\n",
             "  \u21AA in reply to: a message not in this export\n",
             "[2024-03-06T09:02:00Z] [Bob named the conversation \u201C<b>x</b>\u201D]\n",
             "[2024-03-06T09:03:00Z] [You added +33 to the conversation]\n",
             "  Earlier version (2024-03-06T09:04:00Z): First <b>x</b>\n  Part of this message was unsent\n  App: Link "
             "preview\n",
             "[2024-03-06T09:05:00Z] [Bob unsent a message]\n",
             "  Audio message\n",
         })
        EXPECT_NE(text.find(line), std::string::npos) << line;

    // An original in another conversation, or outside the dates, is quoted without a link to nowhere.
    Message elsewhere = message(false, "+4915", "2024-03-07T10:00:00Z", "as I said there");
    elsewhere.id = 50;
    elsewhere.replyTo = "GUID-99";
    elsewhere.replyToId = 99;
    elsewhere.replyQuote = "Said in another chat";
    EXPECT_NE(render(group, "g", {elsewhere}).html.find("<div class=\"reply\">\u21AA Said in another chat</div>"),
              std::string::npos);
}

TEST(HtmlWriter, EscapesEveryPieceOfData)
{
    Conversation chat = kAlice;
    chat.service = "<svc>";
    const std::string page = render(chat, "<b>Name</b>",
                                    {message(false, "<i>x</i>", "<d>", "<script>alert('x')</script> & \"q\"\nnext",
                                             {"/a/<img src=x onerror=alert(1)>.jpg"})})
                                 .html;
    for (const char* markup : {"<script", "<b>", "<i>", "<img", "<svc>", "<d>"})
        EXPECT_EQ(page.find(markup), std::string::npos) << markup;
    EXPECT_NE(page.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;<br>next"),
              std::string::npos);
    EXPECT_NE(page.find("<title>&lt;b&gt;Name&lt;/b&gt;</title>"), std::string::npos);
}

// Sorted keys, two-blank indentation, integers, booleans, absent optional keys, empty and filled lists, and
// every kind of invalid UTF-8: whatever the data, the streamed JSON is the bytes the library wrote before.
TEST(JsonWriter, WritesTheBytesOfTheSortedPrettyPrintedRecord)
{
    std::mt19937 random(20240305);
    for (int round = 0; round < 300; ++round) {
        Conversation chat{static_cast<int>(random() % 100000),
                          hostileText(random),
                          hostileText(random),
                          hostileText(random),
                          std::nullopt,
                          ConversationStyle::group,
                          {}};
        for (int n = static_cast<int>(random() % 4); n > 0; --n)
            chat.members.push_back(Member{hostileText(random), maybe(random, hostileText(random))});
        std::vector<Message> messages(round % 7);
        for (Message& m : messages) {
            m.id = static_cast<std::int64_t>(random()) - 100;
            m.guid = hostileText(random);
            m.text = hostileText(random);
            m.service = maybe(random, hostileText(random));
            m.date = "2024-03-05T14:03:22Z";
            m.timestamp = static_cast<std::int64_t>(random()) * 1'000'000'007LL * (random() % 2 ? 1 : -1);
            m.isFromMe = random() % 2 == 1;
            m.sender = maybe(random, hostileText(random));
            for (int a = static_cast<int>(random() % 4) - 1; a > 0; --a) {
                Attachment attachment;
                attachment.id = random();
                attachment.guid = hostileText(random);
                attachment.filename = maybe(random, hostileText(random));
                if (attachment.filename)
                    attachment.expandedPath = "/home" + *attachment.filename;
                attachment.mimeType = maybe(random, "image/jpeg");
                attachment.size = random() % 5000000;
                attachment.isSticker = random() % 2 == 1;
                m.attachments.push_back(std::move(attachment));
            }
            addRichFields(random, m);
        }
        const std::string displayName = hostileText(random);
        ASSERT_EQ(render(chat, displayName, messages).json, referenceJson(chat, displayName, messages))
            << "round " << round;
    }
}

// A conversation is written while it is read: each message reaches its sink as it is added, so memory
// never holds more than one, and a thousand messages fed one at a time give the record's exact bytes.
TEST(ConversationWriters, WriteEachMessageAsItIsAdded)
{
    test::StringSink json;
    test::StringSink html;
    test::StringSink text;
    ConversationWriters writers(json, html, text);
    const int count = 1000;
    writers.begin(kAlice, "Alice", count);
    std::vector<Message> messages;
    for (int i = 0; i < count; ++i) {
        Message m = message(i % 2 == 0, "+15551234567", "D" + std::to_string(i), "guid-" + std::to_string(i));
        m.guid = "guid-" + std::to_string(i);
        m.id = i;
        const size_t before[3] = {json.bytes.size(), html.bytes.size(), text.bytes.size()};
        writers.add(m);
        const std::string* written[3] = {&json.bytes, &html.bytes, &text.bytes};
        for (int sink = 0; sink < 3; ++sink)
            ASSERT_NE(written[sink]->find(m.guid, before[sink]), std::string::npos) << "message " << i << " held back";
        messages.push_back(std::move(m));
    }
    writers.end();
    const Rendered whole = render(kAlice, "Alice", messages);
    EXPECT_EQ(json.bytes, referenceJson(kAlice, "Alice", messages));
    EXPECT_EQ(html.bytes, whole.html);
    EXPECT_EQ(text.bytes, whole.text);
    EXPECT_EQ(render(kAlice, "Alice", {}).json, referenceJson(kAlice, "Alice", {}));
}

} // namespace
} // namespace varnholt
