#include "convert/MarkdownFallback.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

TEST(MarkdownFallback, EachRuleTakesItsOwnElementsAndEverythingElseIsStripped)
{
    const char bad[] = "<p>caf\xe9\0ok</p>";
    const std::pair<std::string, std::string> cases[] = {
        {"<h1 class=\"t\">One</h1><h2>Two</h2><h3>Three</h3>", "# One\n\n## Two\n\n### Three"},
        {"<strong>s</strong> <b style=\"x\">b</b> <em>e</em> <i>i</i>", "**s** **b** *e* *i*"},
        {"<p class=\"a\">first</p><p>second<br>line<br/>end<br />!</p>", "first\n\nsecond\nline\nend\n!"},
        // An opening-tag rule never takes a longer name that starts with the same letters.
        {"<body><blockquote>q</blockquote>a<br>b</body>", "qa\nb"},
        {"<img src=\"x.png\"><input type=\"text\"><i>it</i>", "*it*"},
        {"<embed src=\"x\"><em>e</em>", "*e*"},
        {"<pre>code</pre><p>para</p>", "codepara"},
        {"<h1x>not a heading</h1x><h10>nor this</h10>", "not a headingnor this"},
        {"<a href=\"https://example.org/a\">Example</a>", "[Example](https://example.org/a)"},
        {"<a class='x' href='https://e.org/q?a=1' target=_blank>single</a>", "[single](https://e.org/q?a=1)"},
        // Emphasis inside is already Markdown when the link rule runs; other tags inside keep it from matching.
        {"<a href=\"u\"><b>bold</b></a>", "[**bold**](u)"},
        {"<a href=\"u\"><span>s</span></a>", "s"},
        {"<div><span>kept</span></div><table><tr><td>cell</td></tr></table>", "keptcell"},
        {"\n\n  <p>a</p>\n\n\n\n<p>b</p>\n\n \t", "a\n\nb"},
        {"a\n\n\n\n\nb", "a\n\nb"},
        {"<p>Tom &amp; Jerry &lt;3</p>", "Tom &amp; Jerry &lt;3"},
        {"", ""},
        {"<h1>日本語 😀</h1><p>مرحبا café</p>", "# 日本語 😀\n\nمرحبا café"},
        {std::string(bad, sizeof bad - 1), "caf\uFFFDok"},
    };
    for (const auto& [html, markdown] : cases)
        EXPECT_EQ(simpleHtmlToMarkdown(html), markdown) << html;
}

TEST(MarkdownFallback, AHugeTagIsHandledWithoutRecursion)
{
    // An embedded image as a data address: one tag of several megabytes.
    std::string html = "<p>before</p><img src=\"data:image/png;base64,";
    html.append(8 * 1024 * 1024, 'A');
    html += "\"><p>after</p><a href=\"";
    html.append(1024 * 1024, 'x');
    html += "\">long link</a>";
    const std::string markdown = simpleHtmlToMarkdown(html);
    EXPECT_EQ(markdown.substr(0, 15), "before\n\nafter\n\n");
    EXPECT_EQ(markdown.substr(markdown.size() - 12), "xxxxxxxxxxx)");
}

} // namespace
} // namespace varnholt
