#include "convert/HtmlLayout.h"

#include "convert/HtmlEventParser.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <unordered_map>

namespace varnholt {

namespace {
int headingSize(std::string_view name)
{
    switch (name[1]) {
    case '1':
        return 36;
    case '2':
        return 32;
    case '3':
        return 28;
    default:
        return TextStyle::kBodySize;
    }
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string lowerWithoutSpaces(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (!isSpace(c))
            out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    return out;
}

bool truthy(std::optional<std::string_view> value)
{
    if (!value)
        return false;
    const std::string v = lowerWithoutSpaces(*value);
    return v == "true" || v == "1" || v == "yes" || v == "checked";
}

std::string roman(long number, bool upper)
{
    static const std::pair<int, const char*> kParts[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"},
                                                         {90, "xc"},  {50, "l"},   {40, "xl"}, {10, "x"},   {9, "ix"},
                                                         {5, "v"},    {4, "iv"},   {1, "i"}};
    if (number <= 0 || number >= 4000)
        return std::to_string(number);
    std::string out;
    for (const auto& [value, letters] : kParts)
        for (; number >= value; number -= value)
            out += letters;
    if (upper)
        for (char& c : out)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string alphabetic(long number, bool upper)
{
    if (number <= 0)
        return std::to_string(number);
    std::string out;
    for (; number > 0; number = (number - 1) / 26)
        out.insert(out.begin(), static_cast<char>((upper ? 'A' : 'a') + (number - 1) % 26));
    return out;
}

std::string numberText(long number, char numbering)
{
    switch (numbering) {
    case 'a':
    case 'A':
        return alphabetic(number, numbering == 'A');
    case 'i':
    case 'I':
        return roman(number, numbering == 'I');
    default:
        return std::to_string(number);
    }
}

std::optional<long> integerValue(std::optional<std::string_view> text)
{
    if (!text)
        return std::nullopt;
    std::string_view v = *text;
    while (!v.empty() && isSpace(v.front()))
        v.remove_prefix(1);
    long value = 0;
    const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), value);
    if (error != std::errc() || end == v.data())
        return std::nullopt;
    return value;
}

constexpr std::string_view kUnchecked = "\u2610";
constexpr std::string_view kChecked = "\u2611";
constexpr std::string_view kBullet = "\u2022";
} // namespace

const HtmlLayout::ElementRule* HtmlLayout::ruleFor(std::string_view name)
{
    static const std::unordered_map<std::string_view, ElementRule> kRules = [] {
        std::unordered_map<std::string_view, ElementRule> rules;
        for (auto n : {"head", "script", "style", "title", "template", "noembed", "noframes", "select", "textarea"})
            rules[n] = {hidden, 0, 0};
        for (auto n : {"b", "strong"})
            rules[n] = {bold, 0, 0};
        for (auto n : {"i", "em", "cite", "var", "dfn"})
            rules[n] = {italic, 0, 0};
        for (auto n : {"u", "ins"})
            rules[n] = {underline, 0, 0};
        for (auto n : {"s", "strike", "del"})
            rules[n] = {strikethrough, 0, 0};
        for (auto n : {"code", "tt", "kbd", "samp"})
            rules[n] = {monospace, 0, 0};
        for (auto n : {"h1", "h2", "h3", "h4", "h5", "h6"})
            rules[n] = {heading, 2, 2};
        for (auto n : {"p", "hr", "dl", "figure"})
            rules[n] = {0, 2, 2};
        rules["blockquote"] = {quote, 2, 2};
        rules["pre"] = {preformatted | monospace, 2, 2};
        rules["listing"] = {preformatted | monospace, 2, 2};
        rules["xmp"] = {preformatted | monospace, 2, 2};
        for (auto n : {"div",      "address",    "article", "aside",   "center", "details", "dialog",   "dd",    "dt",
                       "fieldset", "figcaption", "footer",  "form",    "header", "hgroup",  "legend",   "main",  "nav",
                       "section",  "summary",    "table",   "caption", "body",   "html",    "noscript", "option"})
            rules[n] = {0, 1, 1};
        for (auto n : {"ul", "ol", "menu", "dir"})
            rules[n] = {list, 1, 1};
        rules["li"] = {listItem, 1, 1};
        rules["tr"] = {row, 1, 1};
        rules["td"] = {cell, 0, 0};
        rules["th"] = {cell, 0, 0};
        return rules;
    }();
    auto it = kRules.find(name);
    return it == kRules.end() ? nullptr : &it->second;
}

// Formatting a style attribute asks for, in the few forms notes use.
std::uint32_t HtmlLayout::styleEffects(const HtmlAttributes& attributes)
{
    const auto style = attributes.value("style");
    if (!style || style->empty())
        return 0;
    const std::string css = lowerWithoutSpaces(*style);
    std::uint32_t effects = 0;
    auto property = [&css](std::string_view name) -> std::string_view {
        const auto at = css.find(std::string(name) + ":");
        if (at == std::string::npos)
            return {};
        const auto start = at + name.size() + 1;
        const auto end = css.find(';', start);
        return std::string_view(css).substr(start, end == std::string::npos ? std::string::npos : end - start);
    };
    const auto weight = property("font-weight");
    if (weight.find("bold") != std::string_view::npos || weight == "600" || weight == "700" || weight == "800" ||
        weight == "900")
        effects |= bold;
    const auto fontStyle = property("font-style");
    if (fontStyle.find("italic") != std::string_view::npos || fontStyle.find("oblique") != std::string_view::npos)
        effects |= italic;
    const auto decoration = property("text-decoration");
    const auto decorationLine = property("text-decoration-line");
    for (auto value : {decoration, decorationLine}) {
        if (value.find("underline") != std::string_view::npos)
            effects |= underline;
        if (value.find("line-through") != std::string_view::npos)
            effects |= strikethrough;
    }
    const auto family = property("font-family");
    for (auto mono : {"monospace", "courier", "menlo", "monaco", "consolas"})
        if (family.find(mono) != std::string_view::npos)
            effects |= monospace;
    return effects;
}

void HtmlLayout::layOut(std::string_view html, LayoutWriter& writer)
{
    HtmlLayout layout(writer);
    HtmlEventParser::parse(html, layout);
    layout.finish();
}

void HtmlLayout::startElement(std::string_view name, const HtmlAttributes& attributes)
{
    m_preformattedStart = false;
    const ElementRule* rule = ruleFor(name);
    if (m_hidden > 0) {
        m_open.push_back({std::string(name), rule && (rule->effects & hidden) ? std::uint32_t(hidden) : 0u, 0});
        if (!m_open.back().effects)
            return;
        ++m_hidden;
        return;
    }
    if (name == "br") {
        hardBreak();
        return;
    }
    if (name == "img") {
        if (auto alt = attributes.value("alt"); alt && !alt->empty())
            characters(*alt);
        return;
    }
    if (name == "input") {
        checkbox(attributes);
        return;
    }
    OpenElement element{std::string(name), rule ? rule->effects : 0u, rule ? rule->breakAfter : 0};
    element.effects |= styleEffects(attributes);
    if (name == "a" && !m_linkHref) {
        if (auto href = attributes.value("href"); href && !href->empty()) {
            element.effects |= link;
            m_linkHref = std::string(*href);
        }
    }
    if (rule && rule->breakBefore > 0)
        requestBreak(rule->breakBefore);
    if (element.effects & heading)
        m_headingSizes.push_back(headingSize(name));
    open(element.effects, attributes, name);
    m_open.push_back(std::move(element));
}

void HtmlLayout::open(std::uint32_t effects, const HtmlAttributes& attributes, std::string_view name)
{
    if (effects & hidden)
        ++m_hidden;
    if (effects & bold)
        ++m_bold;
    if (effects & italic)
        ++m_italic;
    if (effects & underline)
        ++m_underline;
    if (effects & strikethrough)
        ++m_strikethrough;
    if (effects & monospace)
        ++m_monospace;
    if (effects & preformatted) {
        ++m_preformatted;
        m_preformattedStart = true;
    }
    if (effects & quote)
        ++m_quotes;
    if (effects & list) {
        ListLevel level;
        if (name == "ol") {
            level.kind = ListKind::numbered;
            level.next = integerValue(attributes.value("start")).value_or(1);
            if (auto type = attributes.value("type"); type && type->size() == 1)
                level.numbering = (*type)[0];
        }
        if (attributes.hasToken("class", "checklist") || attributes.has("data-checklist"))
            level.kind = ListKind::checklist;
        m_lists.push_back(level);
    }
    if (effects & listItem)
        startListItem(attributes);
    if (effects & row)
        m_rowCells.push_back(0);
    if (effects & cell) {
        if (!m_rowCells.empty() && m_rowCells.back()++ > 0) {
            m_pendingSpace = false; // white space between cells is not shown either
            beginContent();
            m_writer.cellSeparator();
            m_lineHasContent = false; // white space at the start of a cell is not shown
        }
        ++m_cells;
    }
}

void HtmlLayout::startListItem(const HtmlAttributes& attributes)
{
    emitPendingMarker(); // an item that held nothing before its own nested list
    ListLevel* level = m_lists.empty() ? nullptr : &m_lists.back();
    const bool checklistItem = (level && level->kind == ListKind::checklist) || attributes.has("data-checked") ||
                               attributes.has("aria-checked") || attributes.hasToken("class", "checked") ||
                               attributes.hasToken("class", "unchecked") || attributes.hasToken("class", "done");
    if (checklistItem) {
        const bool checked = attributes.hasToken("class", "checked") || attributes.hasToken("class", "done") ||
                             truthy(attributes.value("data-checked")) || truthy(attributes.value("aria-checked"));
        m_marker = std::string(checked ? kChecked : kUnchecked) + " ";
        return;
    }
    if (level && level->kind == ListKind::numbered) {
        if (auto value = integerValue(attributes.value("value")))
            level->next = *value;
        m_marker = numberText(level->next++, level->numbering) + ". ";
        return;
    }
    m_marker = std::string(kBullet) + " ";
}

void HtmlLayout::checkbox(const HtmlAttributes& attributes)
{
    const auto type = attributes.value("type");
    if (!type || lowerWithoutSpaces(*type) != "checkbox")
        return;
    const std::string_view box = attributes.has("checked") ? kChecked : kUnchecked;
    const bool numbered = !m_lists.empty() && m_lists.back().kind == ListKind::numbered;
    if (m_marker && !numbered) {
        m_marker = std::string(box) + " "; // the box stands in for the bullet
        return;
    }
    emitText(box);
    m_pendingSpace = true;
}

void HtmlLayout::endElement(std::string_view name)
{
    m_preformattedStart = false;
    if (name == "br" || name == "img" || name == "input")
        return;
    auto found = std::find_if(m_open.rbegin(), m_open.rend(), [&](const OpenElement& e) { return e.name == name; });
    if (found == m_open.rend())
        return; // a stray end tag
    const std::size_t keep = static_cast<std::size_t>(m_open.rend() - found) - 1;
    while (m_open.size() > keep) {
        OpenElement element = std::move(m_open.back());
        m_open.pop_back();
        close(element);
    }
}

void HtmlLayout::close(const OpenElement& element)
{
    const std::uint32_t effects = element.effects;
    if (effects & hidden) {
        --m_hidden;
        return;
    }
    if (effects & bold)
        --m_bold;
    if (effects & italic)
        --m_italic;
    if (effects & underline)
        --m_underline;
    if (effects & strikethrough)
        --m_strikethrough;
    if (effects & monospace)
        --m_monospace;
    if (effects & heading)
        m_headingSizes.pop_back();
    if (effects & preformatted)
        --m_preformatted;
    if (effects & quote)
        --m_quotes;
    if (effects & listItem)
        emitPendingMarker();
    if (effects & list)
        m_lists.pop_back();
    if (effects & row)
        m_rowCells.pop_back();
    if (effects & cell)
        --m_cells;
    if (effects & link) {
        if (m_linkOpen)
            m_writer.endLink();
        m_linkOpen = false;
        m_linkHref.reset();
    }
    if (element.breakAfter > 0)
        requestBreak(element.breakAfter);
}

void HtmlLayout::finish()
{
    while (!m_open.empty()) {
        OpenElement element = std::move(m_open.back());
        m_open.pop_back();
        close(element);
    }
    if (m_linkOpen)
        m_writer.endLink();
    m_linkOpen = false;
}

void HtmlLayout::characters(std::string_view text)
{
    if (m_hidden > 0 || text.empty())
        return;
    if (m_preformatted > 0)
        preformattedText(text);
    else
        flowingText(text);
}

void HtmlLayout::preformattedText(std::string_view text)
{
    // As in a browser, a line feed right after <pre> is not shown.
    if (m_preformattedStart && text.front() == '\n')
        text.remove_prefix(1);
    m_preformattedStart = false;
    while (!text.empty()) {
        const auto lineEnd = text.find('\n');
        const std::string_view segment = text.substr(0, lineEnd);
        if (!segment.empty())
            emitText(segment);
        if (lineEnd == std::string_view::npos)
            break;
        hardBreak();
        text.remove_prefix(lineEnd + 1);
    }
}

void HtmlLayout::flowingText(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        if (isSpace(text[i])) {
            softSpace();
            while (i < text.size() && isSpace(text[i]))
                ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !isSpace(text[end]))
            ++end;
        emitText(text.substr(i, end - i));
        i = end;
    }
}

void HtmlLayout::requestBreak(int lineBreaks)
{
    if (m_cells > 0) {
        softSpace();
        return;
    }
    if (m_started)
        m_pendingBreaks = std::max(m_pendingBreaks, lineBreaks);
}

void HtmlLayout::hardBreak()
{
    if (m_cells > 0) {
        softSpace();
        return;
    }
    if (m_started)
        ++m_pendingBreaks;
}

void HtmlLayout::softSpace()
{
    if (m_lineHasContent && m_pendingBreaks == 0)
        m_pendingSpace = true;
}

void HtmlLayout::emitText(std::string_view text)
{
    beginContent();
    m_writer.text(text, currentStyle());
    m_lineHasContent = true;
}

void HtmlLayout::emitPendingMarker()
{
    if (!m_marker)
        return;
    // An item with nothing in it still shows its bullet or box.
    std::string& marker = *m_marker;
    while (!marker.empty() && marker.back() == ' ')
        marker.pop_back();
    beginContent();
}

void HtmlLayout::beginContent()
{
    if (!m_started || m_pendingBreaks > 0) {
        if (m_linkOpen) {
            m_writer.endLink(); // links never span lines
            m_linkOpen = false;
        }
        const std::string marker = m_marker.value_or("");
        m_marker.reset();
        m_writer.startLine(m_started ? m_pendingBreaks : 0, indent(), marker);
        m_started = true;
        m_pendingBreaks = 0;
        m_pendingSpace = false;
        m_lineHasContent = false;
    } else if (m_marker) {
        // An item that could not start a line of its own (inside a table cell).
        if (m_lineHasContent)
            m_writer.text(" ", TextStyle{});
        m_writer.text(*m_marker, TextStyle{});
        m_marker.reset();
        m_pendingSpace = false;
    }
    if (m_pendingSpace) {
        m_writer.text(" ", currentStyle());
        m_pendingSpace = false;
    }
    if (m_linkHref && !m_linkOpen) {
        m_writer.startLink(*m_linkHref);
        m_linkOpen = true;
    }
}

int HtmlLayout::indent() const
{
    return m_quotes + std::max(0, static_cast<int>(m_lists.size()) - 1);
}

TextStyle HtmlLayout::currentStyle() const
{
    TextStyle style;
    style.bold = m_bold > 0 || !m_headingSizes.empty();
    style.italic = m_italic > 0;
    style.underline = m_underline > 0;
    style.strikethrough = m_strikethrough > 0;
    style.monospace = m_monospace > 0;
    if (!m_headingSizes.empty())
        style.size = m_headingSizes.back();
    return style;
}

} // namespace varnholt
