#include "convert/MarkdownPreparation.h"

#include <algorithm>
#include <cctype>

namespace varnholt {

namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

bool startsTag(std::string_view html, size_t at, std::string_view name)
{
    if (at + 1 + name.size() > html.size() || html[at] != '<')
        return false;
    if (lower(html.substr(at + 1, name.size())) != name)
        return false;
    const size_t after = at + 1 + name.size();
    return after == html.size() || html[after] == '>' || html[after] == '/' ||
           std::isspace(static_cast<unsigned char>(html[after]));
}

// The inside of one table cell: "|" in text escaped, <br> written out as text.
std::string cellContent(std::string_view inner)
{
    std::string out;
    for (size_t i = 0; i < inner.size();) {
        if (inner[i] == '<') {
            const size_t close = inner.find('>', i);
            const size_t end = close == std::string_view::npos ? inner.size() : close + 1;
            if (startsTag(inner, i, "br"))
                out += "&lt;br&gt;";
            else
                out.append(inner.substr(i, end - i));
            i = end;
            continue;
        }
        if (inner[i] == '|')
            out += "\\|";
        else
            out += inner[i];
        ++i;
    }
    return out;
}

bool isBlank(std::string_view line)
{
    return line.empty() || line == "  ";
}

} // namespace

std::string MarkdownPreparation::prepareHtml(std::string_view html)
{
    std::string out;
    out.reserve(html.size());
    for (size_t i = 0; i < html.size();) {
        if (html[i] != '<') {
            out += html[i++];
            continue;
        }
        const size_t close = html.find('>', i);
        if (close == std::string_view::npos) {
            out.append(html.substr(i));
            break;
        }
        const std::string_view tag = html.substr(i, close + 1 - i);
        if (startsTag(html, i, "input")) {
            const std::string attributes = lower(tag);
            if (attributes.find("checkbox") != std::string::npos) {
                out += attributes.find(" checked") != std::string::npos ? kChecked : kUnchecked;
                i = close + 1;
                continue;
            }
        }
        if (startsTag(html, i, "td") || startsTag(html, i, "th")) {
            const std::string name = lower(html.substr(i + 1, 2));
            const size_t end = lower(html.substr(close + 1)).find("</" + name);
            if (end != std::string::npos) {
                out.append(tag);
                out += cellContent(html.substr(close + 1, end));
                i = close + 1 + end;
                continue;
            }
        }
        out.append(tag);
        i = close + 1;
    }
    return out;
}

std::string MarkdownPreparation::tidyMarkdown(std::string_view markdown)
{
    std::string out;
    out.reserve(markdown.size());
    bool previousBlank = false;
    bool any = false;
    size_t start = 0;
    while (start <= markdown.size()) {
        size_t end = markdown.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last)
            end = markdown.size();
        std::string line(markdown.substr(start, end - start));
        if (last && line.empty())
            break;
        if (isBlank(line)) {
            if (any && !previousBlank)
                out += '\n';
            previousBlank = true;
        } else {
            // A list item whose first text is a check box mark.
            const size_t indent = line.find_first_not_of(' ');
            for (const auto& [mark, box] : {std::pair{kUnchecked, "- [ ] "}, std::pair{kChecked, "- [x] "}}) {
                const std::string bullet = std::string("* ").append(mark);
                if (indent != std::string::npos && line.compare(indent, bullet.size(), bullet) == 0) {
                    size_t after = indent + bullet.size();
                    if (after < line.size() && line[after] == ' ')
                        ++after;
                    line = line.substr(0, indent) + box + line.substr(after);
                }
            }
            // A mark anywhere else (a box outside a list) still shows what it was.
            for (const auto& [mark, box] : {std::pair{kUnchecked, "[ ]"}, std::pair{kChecked, "[x]"}})
                for (size_t at = line.find(mark); at != std::string::npos; at = line.find(mark, at))
                    line.replace(at, mark.size(), box);
            out += line;
            out += '\n';
            previousBlank = false;
            any = true;
        }
        if (last)
            break;
        start = end + 1;
    }
    // The end stays as the converter left it: with a line break only if it had one.
    if (!markdown.empty() && markdown.back() != '\n' && !out.empty() && out.back() == '\n')
        out.pop_back();
    while (out.size() >= 2 && out[out.size() - 1] == '\n' && out[out.size() - 2] == '\n')
        out.pop_back();
    return out;
}

} // namespace varnholt
