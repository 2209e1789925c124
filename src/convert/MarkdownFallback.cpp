#include "convert/MarkdownFallback.h"

#include "platform/Utf8.h"

#include <array>
#include <memory>
#include <re2/re2.h>

namespace varnholt {

namespace {
struct Rule {
    const char* pattern;
    const char* replacement;
};

// An opening tag of exactly this element: the name is followed by white
// space (and attributes), a slash or the closing bracket, so <b> does not
// swallow <br>, <body> or <blockquote>, nor <i> <img>, nor <em> <embed>.
#define VARNHOLT_OPENING_TAG(name) "<" name "(?:[\\s/][^>]*)?>"

constexpr std::array<Rule, 20> kRules{{
    {VARNHOLT_OPENING_TAG("h1"), "# "},
    {"</h1>", "\n\n"},
    {VARNHOLT_OPENING_TAG("h2"), "## "},
    {"</h2>", "\n\n"},
    {VARNHOLT_OPENING_TAG("h3"), "### "},
    {"</h3>", "\n\n"},
    {VARNHOLT_OPENING_TAG("strong"), "**"},
    {"</strong>", "**"},
    {VARNHOLT_OPENING_TAG("b"), "**"},
    {"</b>", "**"},
    {VARNHOLT_OPENING_TAG("em"), "*"},
    {"</em>", "*"},
    {VARNHOLT_OPENING_TAG("i"), "*"},
    {"</i>", "*"},
    {VARNHOLT_OPENING_TAG("p"), ""},
    {"</p>", "\n\n"},
    {VARNHOLT_OPENING_TAG("br"), "\n"},
    {"<a[^>]*href=[\"']([^\"']*)[\"'][^>]*>([^<]*)</a>", "[\\2](\\1)"},
    {"<[^>]+>", ""},
    {"\n\n\n+", "\n\n"},
}};

#undef VARNHOLT_OPENING_TAG

const std::array<std::unique_ptr<RE2>, 20>& compiledRules()
{
    static const std::array<std::unique_ptr<RE2>, 20> kCompiled = [] {
        std::array<std::unique_ptr<RE2>, 20> compiled;
        RE2::Options options;
        options.set_case_sensitive(true);
        options.set_log_errors(false);
        options.set_max_mem(64 << 20);
        for (std::size_t i = 0; i < kRules.size(); ++i)
            compiled[i] = std::make_unique<RE2>(kRules[i].pattern, options);
        return compiled;
    }();
    return kCompiled;
}

bool isTrimmed(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
} // namespace

std::string simpleHtmlToMarkdown(std::string_view html)
{
    std::string text = utf8::repaired(html);
    const auto& rules = compiledRules();
    for (std::size_t i = 0; i < kRules.size(); ++i)
        RE2::GlobalReplace(&text, *rules[i], kRules[i].replacement);
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isTrimmed(text[begin]))
        ++begin;
    while (end > begin && isTrimmed(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

} // namespace varnholt
