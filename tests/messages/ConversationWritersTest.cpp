#include "render/messages/ConversationWriters.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

using nlohmann::json;

json conversation(json messages, const std::string& name = "Alice")
{
    ChatRow chat{7, "iMessage;-;+15551234567", "+15551234567", "iMessage", std::nullopt};
    return makeConversationRecord(chat, name, std::move(messages));
}

TEST(PlainTextWriter, WritesTheExactTranscript)
{
    const json record = conversation(json::array({{{"is_from_me", true}, {"date", "2024-03-05T14:03:22Z"}, {"text", "Hi"}}}));
    const std::string rule(80, '=');
    EXPECT_EQ(generatePlainText(record, "Alice", "+15551234567"),
              rule + "\nConversation: Alice\nService: iMessage\nMessages: 1\n" + rule +
                  "\n[2024-03-05T14:03:22Z] Me: Hi\n\n");
}

TEST(PlainTextWriter, ShowsSendersLinesAndAttachments)
{
    const json record = conversation(json::array({
        {{"is_from_me", false}, {"sender", "+15551234567"}, {"date", "D1"}, {"text", "two\nlines"}},
        {{"is_from_me", false}, {"sender", "+4915112345678"}, {"date", "D2"}, {"text", "group"}},
        {{"is_from_me", false}, {"date", "D3"}, {"text", "no handle"},
         {"attachments", json::array({{{"id", 1}}})}},
        {{"is_from_me", true}, {"sender", "+15551234567"}, {"date", "D4"}, {"text", ""},
         {"attachments", json::array({{{"filename", "~/Library/Messages/Attachments/a/IMG_1.jpg"}}, {{"id", 2}},
                                      {{"filename", "plain.txt"}}})}},
    }));
    const std::string rule(80, '=');
    EXPECT_EQ(generatePlainText(record, "Alice Smith", "+15551234567"),
              rule + "\nConversation: Alice\nService: iMessage\nMessages: 4\n" + rule +
                  "\n[D1] Alice Smith: two\nlines\n\n"
                  "[D2] +4915112345678: group\n\n"
                  "[D3] Other: no handle\n  Attachments: \n\n"
                  "[D4] Me: \n  Attachments: IMG_1.jpg plain.txt \n\n");
    // Missing keys fall back instead of failing.
    EXPECT_EQ(generatePlainText(json::object(), std::nullopt, std::nullopt),
              rule + "\nConversation: Unknown\nService: Unknown\nMessages: 0\n" + rule + "\n");
}

TEST(HtmlWriter, WritesTheExactPage)
{
    const json record = conversation(json::array({
        {{"is_from_me", true}, {"date", "2024-03-05T14:03:22Z"}, {"text", "Hi\nthere"}},
        {{"is_from_me", false}, {"sender", "+15551234567"}, {"date", "D2"}, {"text", "Yo"},
         {"attachments", json::array({{{"filename", "~/a/b/IMG_1.jpg"}}})}},
    }));
    const std::string page = generateHTML(record, "Alice", "+15551234567");
    const std::string head = "<!DOCTYPE html>\n<html>\n<head>\n    <meta charset=\"UTF-8\">\n    <title>Alice</title>\n";
    EXPECT_EQ(page.substr(0, head.size()), head);
    const std::string body =
        "<h1>Alice</h1>\n        <p>Service: iMessage | Messages: 2</p>\n    </div>"
        "<div class=\"message from-me\">\n    <div><strong>Me</strong></div>\n    <div>Hi<br>there</div>"
        "    <div class=\"timestamp\">2024-03-05T14:03:22Z</div>\n</div>"
        "<div class=\"message from-other\">\n    <div><strong>Alice</strong></div>\n    <div>Yo</div>"
        "<div class='attachment'>\U0001F4CE IMG_1.jpg </div>    <div class=\"timestamp\">D2</div>\n</div>"
        "</body>\n</html>";
    ASSERT_NE(page.find("<h1>"), std::string::npos);
    EXPECT_EQ(page.substr(page.find("<h1>")), body);
    EXPECT_NE(page.find("        .attachment { font-style: italic; color: #666; }\n    </style>\n</head>\n<body>\n"
                        "    <div class=\"header\">\n        <h1>"),
              std::string::npos);

    const std::string fallback = generateHTML(json::object(), std::nullopt, std::nullopt);
    EXPECT_NE(fallback.find("<title>Conversation</title>"), std::string::npos);
    EXPECT_NE(fallback.find("Service: Unknown | Messages: 0</p>"), std::string::npos);
}

TEST(HtmlWriter, EscapesEveryPieceOfData)
{
    const json record = conversation(
        json::array({{{"is_from_me", false},
                      {"sender", "<i>x</i>"},
                      {"date", "<d>"},
                      {"text", "<script>alert('x')</script> & \"q\"\nnext"},
                      {"attachments", json::array({{{"filename", "/a/<img src=x onerror=alert(1)>.jpg"}}})}}}),
        "<b>Name</b>");
    json withService = record;
    withService["service"] = "<svc>";
    const std::string page = generateHTML(withService, "<b>Name</b>", "+1");
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_EQ(page.find("<i>"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_EQ(page.find("<svc>"), std::string::npos);
    EXPECT_EQ(page.find("<d>"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;<br>next"),
              std::string::npos);
    EXPECT_NE(page.find("<title>&lt;b&gt;Name&lt;/b&gt;</title>"), std::string::npos);
}

TEST(JsonWriter, SortsKeysKeepsTypesAndSurvivesInvalidUtf8)
{
    const json record = conversation(json::array({{{"text", std::string("bad \xFF byte")}, {"id", 3}, {"is_from_me", true}}}));
    const std::string text = generateJSON(record);
    const json back = json::parse(text);
    EXPECT_EQ(back["chat_id"], 7);
    EXPECT_EQ(back["participants"], json::array({"+15551234567"}));
    EXPECT_EQ(back["message_count"], 1);
    EXPECT_EQ(back["messages"][0]["is_from_me"], true);
    EXPECT_LT(text.find("\"chat_id\""), text.find("\"display_name\""));
    EXPECT_LT(text.find("\"display_name\""), text.find("\"guid\""));
    EXPECT_NE(text.find("bad \xEF\xBF\xBD byte"), std::string::npos);
}

TEST(Writers, LastPathComponent)
{
    EXPECT_EQ(lastPathComponent("~/Library/Messages/Attachments/a/IMG.jpg"), "IMG.jpg");
    EXPECT_EQ(lastPathComponent("plain"), "plain");
    EXPECT_EQ(lastPathComponent("dir/"), "dir");
}

} // namespace
} // namespace varnholt
