#include "convert/HtmlConversion.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

TEST(HtmlToText, BlocksBreaksAndParagraphs)
{
    EXPECT_EQ(htmlToText("<p>One</p><p>Two</p>"), "One\n\nTwo\n");
    // Notes write one <div> per line and <div><br></div> for an empty line.
    EXPECT_EQ(htmlToText("<div>a</div><div><br></div><div>b</div><div>c<br></div><div>d</div>"), "a\n\nb\nc\nd\n");
    EXPECT_EQ(htmlToText("a<br>b<br><br>c"), "a\nb\n\nc\n");
    EXPECT_EQ(htmlToText("<h1>Title</h1><div>line</div><hr><div>end</div>"), "Title\n\nline\n\nend\n");
    EXPECT_EQ(htmlToText("<blockquote>quoted<br>twice</blockquote>after"), "\tquoted\n\ttwice\n\nafter\n");
}

TEST(HtmlToText, WhiteSpaceFollowsHtmlRules)
{
    EXPECT_EQ(htmlToText("<p>  hello \n\t  world  </p>"), "hello world\n");
    EXPECT_EQ(htmlToText("<b>bold</b> <i>it</i>a<b> b</b>c"), "bold ita bc\n");
    EXPECT_EQ(htmlToText("<div>  lead</div>  <div>next  </div>"), "lead\nnext\n");
    EXPECT_EQ(htmlToText(""), "");
    EXPECT_EQ(htmlToText("   \n  "), "");
    // A no-break space is text, not white space.
    EXPECT_EQ(htmlToText("a&nbsp;&nbsp;b"), "a\u00a0\u00a0b\n");
}

TEST(HtmlToText, ListsNumbersAndNesting)
{
    EXPECT_EQ(htmlToText("<div>Shopping</div><ul><li>milk</li><li>eggs<ul><li>brown</li></ul></li></ul>"
                         "<ol start=\"3\"><li>x<li>y<li value=\"10\">z</ol><div>done</div>"),
              "Shopping\n• milk\n• eggs\n\t• brown\n3. x\n4. y\n10. z\ndone\n");
    EXPECT_EQ(htmlToText("<ol type=\"a\"><li>a1<li>a2</ol><ol type=\"I\"><li>r1<li>r2<li>r3<li>r4</ol>"),
              "a. a1\nb. a2\nI. r1\nII. r2\nIII. r3\nIV. r4\n");
    EXPECT_EQ(htmlToText("<ul><li></li><li>second</li></ul>"), "•\n• second\n");
    EXPECT_EQ(htmlToText("<ul>\n  <li>\n  spaced  </li>\n</ul>"), "• spaced\n");
}

TEST(HtmlToText, ChecklistsShowTheirBoxes)
{
    EXPECT_EQ(htmlToText("<ul class=\"checklist\"><li class=\"checked\">done</li><li>todo</li><li></li></ul>"),
              "\u2611 done\n\u2610 todo\n\u2610\n");
    EXPECT_EQ(htmlToText("<ul><li><input type=\"checkbox\" checked>Buy</li><li><input type=checkbox> Sell</li></ul>"),
              "\u2611 Buy\n\u2610 Sell\n");
    EXPECT_EQ(htmlToText("<ul><li data-checked=\"true\">a</li><li data-checked=\"false\">b</li></ul>"),
              "\u2611 a\n\u2610 b\n");
    EXPECT_EQ(htmlToText("<p><input type=checkbox checked> inline</p>"), "\u2611 inline\n");
}

TEST(HtmlToText, TableCellsAreSeparatedByTabs)
{
    EXPECT_EQ(htmlToText("<div>before</div><table><tr><th>Name</th><th>Qty</th></tr>"
                         "<tr><td>Apples</td><td>3</td></tr>"
                         "<tr><td></td><td><div>x</div><div>y<br>z</div></td></tr></table><div>after</div>"),
              "before\nName\tQty\nApples\t3\n\tx y z\nafter\n");
    // As the note pages write tables: a line break between the cells.
    EXPECT_EQ(htmlToText("<table>\n<tr>\n<td>a b</td>\n<td>c</td>\n</tr>\n</table>"), "a b\tc\n");
}

TEST(HtmlToText, PreformattedTextIsKeptVerbatim)
{
    EXPECT_EQ(htmlToText("<p>Code:</p><pre>\n  int x;\n\n  return   x;\t// done</pre><p>after</p>"),
              "Code:\n\n  int x;\n\n  return   x;\t// done\n\nafter\n");
}

TEST(HtmlToText, EntitiesAreDecoded)
{
    EXPECT_EQ(htmlToText("<p>Tom &amp; Jerry &lt;3 &eacute;t&eacute; &#x1F600; &#233;&quot;&unknown;</p>"),
              "Tom & Jerry <3 été 😀 é\"&unknown;\n");
}

TEST(HtmlToText, HiddenPartsAreNotShown)
{
    EXPECT_EQ(htmlToText("<html><head><title>T</title><style>p{color:red}</style><meta charset=\"utf-8\"></head>"
                         "<body><script>if (a < b) x();</script><p>shown</p><img src=\"a.png\" alt=\"A chart\">"
                         "</body></html>"),
              "shown\n\nA chart\n");
}

TEST(HtmlToText, NonAsciiSurvivesWhateverTheDocumentClaims)
{
    EXPECT_EQ(
        htmlToText("<meta charset=\"iso-8859-1\"><p>日本語 العربية café 👩‍👩‍👧 Ωmega</p>"),
        "日本語 العربية café 👩‍👩‍👧 Ωmega\n");
}

TEST(HtmlToText, MalformedInputIsReadAsFarAsItMakesSense)
{
    const char malformed[] = "<div>a\0b</div></div></span><p>caf\xe9 ok <b>open";
    EXPECT_EQ(htmlToText(std::string(malformed, sizeof malformed - 1)), "ab\n\ncaf\uFFFD ok open\n");
    EXPECT_EQ(htmlToText("<b><i>both</b> after</i>"), "both after\n");
    EXPECT_EQ(htmlToText("plain\r\ntext\rhere"), "plain text here\n");

    std::string deep;
    for (int i = 0; i < 10000; ++i)
        deep += "<div><b>";
    deep += "deep";
    for (int i = 0; i < 10000; ++i)
        deep += "</b></div>";
    deep += "<p>after</p>";
    EXPECT_EQ(htmlToText(deep), "deep\n\nafter\n");
}

} // namespace
} // namespace varnholt
