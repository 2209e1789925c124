#include "convert/HtmlConversion.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

struct Case {
    std::string html;
    std::string text;
};

void expectTexts(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html.substr(0, 200));
        EXPECT_EQ(htmlToText(c.html), c.text);
    }
}

TEST(HtmlToText, BlocksWhiteSpaceAndEntitiesFollowHtmlRules)
{
    expectTexts({
        {"<p>One</p><p>Two</p>", "One\n\nTwo\n"},
        // Notes write one <div> per line and <div><br></div> for an empty line.
        {"<div>a</div><div><br></div><div>b</div><div>c<br></div><div>d</div>", "a\n\nb\nc\nd\n"},
        {"a<br>b<br><br>c", "a\nb\n\nc\n"},
        {"<h1>Title</h1><div>line</div><hr><div>end</div>", "Title\n\nline\n\nend\n"},
        {"<blockquote>quoted<br>twice</blockquote>after", "\tquoted\n\ttwice\n\nafter\n"},
        {"<p>  hello \n\t  world  </p>", "hello world\n"},
        {"<b>bold</b> <i>it</i>a<b> b</b>c", "bold ita bc\n"},
        {"<div>  lead</div>  <div>next  </div>", "lead\nnext\n"},
        {"", ""},
        {"   \n  ", ""},
        // A no-break space is text, not white space.
        {"a&nbsp;&nbsp;b", "a\u00a0\u00a0b\n"},
        {"<p>Code:</p><pre>\n  int x;\n\n  return   x;\t// done</pre><p>after</p>",
         "Code:\n\n  int x;\n\n  return   x;\t// done\n\nafter\n"},
        {"<p>Tom &amp; Jerry &lt;3 &eacute;t&eacute; &#x1F600; &#233;&quot;&unknown;</p>",
         "Tom & Jerry <3 été 😀 é\"&unknown;\n"},
        {"<html><head><title>T</title><style>p{color:red}</style><meta charset=\"utf-8\"></head>"
         "<body><script>if (a < b) x();</script><p>shown</p><img src=\"a.png\" alt=\"A chart\"></body></html>",
         "shown\n\nA chart\n"},
        {"<meta charset=\"iso-8859-1\"><p>日本語 العربية café 👩‍👩‍👧 Ωmega</p>",
         "日本語 العربية café 👩‍👩‍👧 Ωmega\n"},
    });
}

TEST(HtmlToText, ListsChecklistsAndTables)
{
    expectTexts({
        {"<div>Shopping</div><ul><li>milk</li><li>eggs<ul><li>brown</li></ul></li></ul>"
         "<ol start=\"3\"><li>x<li>y<li value=\"10\">z</ol><div>done</div>",
         "Shopping\n• milk\n• eggs\n\t• brown\n3. x\n4. y\n10. z\ndone\n"},
        {"<ol type=\"a\"><li>a1<li>a2</ol><ol type=\"I\"><li>r1<li>r2<li>r3<li>r4</ol>",
         "a. a1\nb. a2\nI. r1\nII. r2\nIII. r3\nIV. r4\n"},
        {"<ul><li></li><li>second</li></ul>", "•\n• second\n"},
        {"<ul>\n  <li>\n  spaced  </li>\n</ul>", "• spaced\n"},
        {"<ul class=\"checklist\"><li class=\"checked\">done</li><li>todo</li><li></li></ul>",
         "\u2611 done\n\u2610 todo\n\u2610\n"},
        {"<ul><li><input type=\"checkbox\" checked>Buy</li><li><input type=checkbox> Sell</li></ul>",
         "\u2611 Buy\n\u2610 Sell\n"},
        {"<ul><li data-checked=\"true\">a</li><li data-checked=\"false\">b</li></ul>", "\u2611 a\n\u2610 b\n"},
        {"<p><input type=checkbox checked> inline</p>", "\u2611 inline\n"},
        {"<div>before</div><table><tr><th>Name</th><th>Qty</th></tr><tr><td>Apples</td><td>3</td></tr>"
         "<tr><td></td><td><div>x</div><div>y<br>z</div></td></tr></table><div>after</div>",
         "before\nName\tQty\nApples\t3\n\tx y z\nafter\n"},
        // As the note pages write tables: a line break between the cells.
        {"<table>\n<tr>\n<td>a b</td>\n<td>c</td>\n</tr>\n</table>", "a b\tc\n"},
    });
}

TEST(HtmlToText, MalformedInputIsReadAsFarAsItMakesSense)
{
    const char malformed[] = "<div>a\0b</div></div></span><p>caf\xe9 ok <b>open";
    std::string deep;
    for (int i = 0; i < 10000; ++i)
        deep += "<div><b>";
    deep += "deep";
    for (int i = 0; i < 10000; ++i)
        deep += "</b></div>";
    expectTexts({
        {std::string(malformed, sizeof malformed - 1), "ab\n\ncaf\uFFFD ok open\n"},
        {"<b><i>both</b> after</i>", "both after\n"},
        {"plain\r\ntext\rhere", "plain text here\n"},
        {deep + "<p>after</p>", "deep\n\nafter\n"},
    });
}

} // namespace
} // namespace varnholt
