#include "LibreOffice.h"
#include "convert/HtmlConversion.h"
#include "platform/Files.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

// Braces balance once escaped ones are set aside, and nothing but ASCII is written.
void expectWellFormed(const std::string& rtf)
{
    ASSERT_EQ(rtf.rfind("{\\rtf1\\ansi", 0), 0u) << rtf;
    int depth = 0;
    for (std::size_t i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        EXPECT_LT(static_cast<unsigned char>(c), 0x80) << "byte " << i;
        if (c == '\\') {
            ++i;
            continue;
        }
        if (c == '{')
            ++depth;
        if (c == '}') {
            --depth;
            ASSERT_GE(depth, 0) << "closes more than it opened at " << i;
            if (depth == 0) {
                EXPECT_EQ(rtf.find_first_not_of("\n", i + 1), std::string::npos) << "text after the document";
            }
        }
    }
    EXPECT_EQ(depth, 0);
}

TEST(HtmlToRtf, FormattingListsAndTablesBecomeControlWords)
{
    const std::string rtf =
        htmlToRtf("<h1>Title</h1><p><b>bold</b> <i>it</i> <u>under</u> <s>gone</s> <code>mono</code> plain</p>"
                  "<p><span style=\"font-weight: bold; text-decoration: line-through\">styled</span></p>"
                  "<ul><li>one<ul><li>two</li></ul></li></ul><table><tr><td>a</td><td>b</td></tr></table>"
                  "<pre>x\n\ty</pre>");
    expectWellFormed(rtf);
    EXPECT_NE(rtf.find("\\b\\fs36 Title"), std::string::npos) << rtf;
    // The heading left bold on, so only the size changes back.
    EXPECT_NE(rtf.find("\\pard \\fs24 bold\\b0"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\i  it\\i0"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\ul  under\\ulnone"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\strike  gone\\strike0"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\f1  mono\\f0  plain"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\b\\strike styled"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\u8226? one\\par"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\pard\\li720 \\u8226? two"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("a\\tab b"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("x\\par\n\\pard \\tab y"), std::string::npos) << rtf;
}

TEST(HtmlToRtf, LinksAreHyperlinkFieldsThatCannotBeBrokenOutOf)
{
    const std::string rtf = htmlToRtf("<p>see <a href=\"https://example.org/?q=1&amp;r=2\">the <b>site</b></a> now</p>"
                                      "<p><a href='x\" \\o \"y{}'>odd</a></p>");
    expectWellFormed(rtf);
    EXPECT_NE(rtf.find("see {\\field{\\*\\fldinst{HYPERLINK \"https://example.org/?q=1&r=2\"}}"
                       "{\\fldrslt{\\ul\\cf1 the\\b  site}}} now"),
              std::string::npos)
        << rtf;
    EXPECT_NE(rtf.find("HYPERLINK \"x%22 %5Co %22y\\{\\}\""), std::string::npos) << rtf;
}

TEST(HtmlToRtf, EveryCharacterBeyondAsciiIsAUnicodeEscape)
{
    const std::string rtf = htmlToRtf("<p>é 中 ي 😀 \xEF\xBF\xBD {a}\\b\x01</p>");
    expectWellFormed(rtf);
    // UTF-16 code units; above 32767 written negative, emoji as a surrogate pair.
    EXPECT_NE(rtf.find("\\u233? \\u20013? \\u1610? \\u-10179?\\u-8704? \\u-3? \\{a\\}\\\\b"), std::string::npos) << rtf;
}

TEST(HtmlToRtf, EmptyAndHostileInputStillMakeADocument)
{
    expectWellFormed(htmlToRtf(""));
    expectWellFormed(htmlToRtf("<a href=x><a href=y>nested</a></a></b></div>{{{"));
    std::string deep;
    for (int i = 0; i < 10000; ++i)
        deep += "<a href=\"u\"><b><i>";
    deep += "deep";
    const std::string rtf = htmlToRtf(deep);
    expectWellFormed(rtf);
    EXPECT_NE(rtf.find("deep"), std::string::npos);
}

// What matters most: an independent reader gets every character back.
TEST(HtmlToRtf, LibreOfficeReadsEveryCharacterBack)
{
    VARNHOLT_REQUIRE_SOFFICE(soffice);
    test::TempDir dir;
    struct Case {
        std::string html;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"<h1>Grüße aus Köln</h1><div>Crème brûlée, ñandú, Ærøskøbing, İstanbul, Ωmega</div>",
         "Grüße aus Köln\n\nCrème brûlée, ñandú, Ærøskøbing, İstanbul, Ωmega"},
        {"<div>日本語のメモ 中文笔记 한국어 메모</div><div>مرحبا بالعالم — שלום עולם</div>",
         "日本語のメモ 中文笔记 한국어 메모\nمرحبا بالعالم — שלום עולם"},
        {"<p>Emoji: 😀 👩‍👩‍👧 🇩🇪 👍🏽 𝄞 and {braces} \\ back</p>",
         "Emoji: 😀 👩‍👩‍👧 🇩🇪 👍🏽 𝄞 and {braces} \\ back"},
        {"<p><b>bold</b> <i>italic</i> <a href=\"https://example.org/ü\">link ü</a> after</p>"
         "<ul class=\"checklist\"><li class=\"checked\">done</li><li>todo</li></ul>"
         "<table><tr><td>a</td><td>b</td></tr></table><pre>x {y}\n  \\z</pre>",
         "bold italic link ü after\n\n☑ done\n☐ todo\na\tb\n\nx {y}\n  \\z"},
    };
    std::vector<std::filesystem::path> files;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        files.push_back(dir / ("case" + std::to_string(i) + ".rtf"));
        ASSERT_TRUE(writeFile(files.back(), htmlToRtf(cases[i].html)));
    }
    const auto texts = test::readBackWithLibreOffice(soffice, files, dir.path());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(texts[i], cases[i].text) << "case " << i;
}

} // namespace
} // namespace varnholt
