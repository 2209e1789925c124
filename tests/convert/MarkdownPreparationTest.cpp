#include "convert/MarkdownPreparation.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

const std::string kUnchecked(MarkdownPreparation::kUnchecked);
const std::string kChecked(MarkdownPreparation::kChecked);

TEST(MarkdownPreparation, CheckBoxesBecomeMarksAndCellsStayOneLine)
{
    EXPECT_EQ(MarkdownPreparation::prepareHtml("<li><input type=\"checkbox\" disabled> a</li>"
                                               "<li><INPUT TYPE=\"checkbox\" disabled checked> b</li>"
                                               "<input type=\"text\"><inputs>"),
              "<li>" + kUnchecked + " a</li><li>" + kChecked + " b</li><input type=\"text\"><inputs>");
    EXPECT_EQ(MarkdownPreparation::prepareHtml("<p>a|b<br></p><table><tr><td class=\"x\"><b>1|2</b><br/>3</td>"
                                               "<th>h|</th><td>unclosed|"),
              "<p>a|b<br></p><table><tr><td class=\"x\"><b>1\\|2</b>&lt;br&gt;3</td><th>h\\|</th><td>unclosed|");
    EXPECT_EQ(MarkdownPreparation::prepareHtml("<td"), "<td");
}

TEST(MarkdownPreparation, MarkedItemsBecomeTaskItemsAndBlankRunsShrink)
{
    EXPECT_EQ(MarkdownPreparation::tidyMarkdown("# T\n\n  \n\n\nText\n  * " + kUnchecked + " open\n    * " + kChecked +
                                                " done\n  * plain [ ] item\n\n  \n\nend " + kChecked + "\n\n\n"),
              "# T\n\nText\n  - [ ] open\n    - [x] done\n  * plain [ ] item\n\nend [x]\n");
    // Code kept by its indentation keeps its blank lines.
    EXPECT_EQ(MarkdownPreparation::tidyMarkdown("    a\n    \n    \n    b\n"), "    a\n    \n    \n    b\n");
    EXPECT_EQ(MarkdownPreparation::tidyMarkdown("kept"), "kept");
    EXPECT_EQ(MarkdownPreparation::tidyMarkdown(""), "");
    EXPECT_EQ(MarkdownPreparation::tidyMarkdown("\n\n  \n"), "");
}

} // namespace
} // namespace varnholt
