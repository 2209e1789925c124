#include "render/notes/NoteHtmlRenderer.h"

#include "platform/HtmlEscape.h"

#include <algorithm>
#include <vector>

namespace varnholt {

using notesdb::NoteDocument;
using StyleType = NoteDocument::StyleType;

namespace {

struct Paragraph {
    size_t begin;
    size_t end; // without the line feed
    NoteDocument::ParagraphStyle style;
};

bool isList(StyleType type)
{
    return type == StyleType::bulleted || type == StyleType::dashed || type == StyleType::numbered ||
           type == StyleType::checklist;
}

const NoteDocument::Run* runAt(const NoteDocument& document, size_t offset)
{
    for (const auto& run : document.runs)
        if (run.begin <= offset && offset < run.end)
            return &run;
    return nullptr;
}

std::vector<Paragraph> splitParagraphs(const NoteDocument& document)
{
    std::vector<Paragraph> paragraphs;
    const std::string& text = document.text;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        const bool last = end == std::string::npos;
        if (last)
            end = text.size();
        Paragraph paragraph{start, end, {}};
        // A paragraph's style is carried by its characters, including its line feed.
        const NoteDocument::Run* run = runAt(document, start < end ? start : end);
        if (!run && start < end)
            run = runAt(document, end);
        if (run)
            paragraph.style = run->paragraphStyle;
        if (!(last && start == end && !paragraphs.empty()))
            paragraphs.push_back(paragraph);
        if (last)
            break;
        start = end + 1;
    }
    // A trailing line feed ends the last paragraph; it does not open an empty one.
    if (paragraphs.size() > 1 && paragraphs.back().begin == text.size())
        paragraphs.pop_back();
    return paragraphs;
}

std::string listTag(StyleType type)
{
    return type == StyleType::numbered ? "ol" : "ul";
}

std::string listOpening(StyleType type)
{
    switch (type) {
    case StyleType::numbered:
        return "<ol>";
    case StyleType::dashed:
        return "<ul class=\"dashed\">";
    case StyleType::checklist:
        return "<ul class=\"checklist\">";
    default:
        return "<ul>";
    }
}

class BodyWriter {
public:
    BodyWriter(const NoteDocument& document, const NoteHtmlRenderer::ResolveAttachment& resolve)
        : m_document(document), m_resolve(resolve)
    {
    }

    std::string write()
    {
        const auto paragraphs = splitParagraphs(m_document);
        for (size_t i = 0; i < paragraphs.size(); ++i) {
            const Paragraph& p = paragraphs[i];
            const StyleType type = p.style.styleType;
            if (type != StyleType::monospaced)
                closePre();
            if (!isList(type))
                closeLists(0);

            const std::string content = inlineHtml(p.begin, p.end);
            switch (type) {
            case StyleType::title:
                m_out += "<div><h1>" + content + "</h1></div>\n";
                break;
            case StyleType::heading:
                m_out += "<div><h2>" + content + "</h2></div>\n";
                break;
            case StyleType::subheading:
                m_out += "<div><h3>" + content + "</h3></div>\n";
                break;
            case StyleType::monospaced:
                if (!m_inPre) {
                    m_out += "<pre>";
                    m_inPre = true;
                } else {
                    m_out += "\n";
                }
                m_out += content;
                break;
            case StyleType::bulleted:
            case StyleType::dashed:
            case StyleType::numbered:
            case StyleType::checklist:
                listItem(p, content);
                break;
            default:
                m_out += content.empty() ? "<div><br></div>\n" : "<div>" + content + "</div>\n";
                break;
            }
        }
        closePre();
        closeLists(0);
        return m_out;
    }

private:
    struct OpenList {
        StyleType type;
        bool itemOpen;
    };

    void closePre()
    {
        if (m_inPre) {
            m_out += "</pre>\n";
            m_inPre = false;
        }
    }

    void closeLists(size_t depth)
    {
        while (m_lists.size() > depth) {
            if (m_lists.back().itemOpen)
                m_out += "</li>";
            m_out += "</" + listTag(m_lists.back().type) + ">\n";
            m_lists.pop_back();
        }
    }

    void listItem(const Paragraph& p, const std::string& content)
    {
        const StyleType type = p.style.styleType;
        const size_t depth = static_cast<size_t>(std::clamp(p.style.indent, 0, 20)) + 1;
        closeLists(depth);
        if (m_lists.size() == depth && m_lists.back().type != type)
            closeLists(depth - 1);
        while (m_lists.size() < depth) {
            // A deeper list lives inside an item of its parent list.
            if (!m_lists.empty() && !m_lists.back().itemOpen) {
                m_out += "<li>";
                m_lists.back().itemOpen = true;
            }
            m_out += listOpening(type) + "\n";
            m_lists.push_back({type, false});
        }
        if (m_lists.back().itemOpen)
            m_out += "</li>\n";
        m_out += "<li>";
        if (type == StyleType::checklist) {
            const bool done = p.style.checklist && p.style.checklist->done;
            m_out += done ? "<input type=\"checkbox\" disabled checked> " : "<input type=\"checkbox\" disabled> ";
        }
        m_out += content;
        m_lists.back().itemOpen = true;
    }

    std::string attachmentHtml(const NoteDocument::Run& run) const
    {
        RenderedAttachment rendered;
        if (run.attachment && m_resolve)
            rendered = m_resolve(*run.attachment);
        switch (rendered.kind) {
        case RenderedAttachment::Kind::image:
            return "<img src=\"" + encodeRelativeUrl(rendered.relativePath) + "\" alt=\"" + escapeHtml(rendered.name) +
                   "\" style=\"max-width: 100%\">";
        case RenderedAttachment::Kind::file:
            return "<a href=\"" + encodeRelativeUrl(rendered.relativePath) + "\">" + escapeHtml(rendered.name) + "</a>";
        case RenderedAttachment::Kind::audio:
        case RenderedAttachment::Kind::video: {
            // The link inside shows where the page cannot play it (and in the text formats).
            const std::string tag = rendered.kind == RenderedAttachment::Kind::audio ? "audio" : "video";
            const std::string url = encodeRelativeUrl(rendered.relativePath);
            return "<" + tag + " controls src=\"" + url + "\"" + (tag == "video" ? " style=\"max-width: 100%\"" : "") +
                   "><a href=\"" + url + "\">" + escapeHtml(rendered.name) + "</a></" + tag + ">";
        }
        case RenderedAttachment::Kind::link: {
            const std::string href = safeHref(rendered.relativePath);
            const std::string name = rendered.name.empty() ? rendered.relativePath : rendered.name;
            if (href.empty())
                return escapeHtml(name);
            return "<a href=\"" + href + "\">" + escapeHtml(name) + "</a>";
        }
        case RenderedAttachment::Kind::table:
            return rendered.table ? tableHtml(*rendered.table) : "[Table]";
        case RenderedAttachment::Kind::inlineText:
            return escapeHtml(rendered.name);
        case RenderedAttachment::Kind::gallery: {
            std::string pages;
            for (const RenderedAttachment& page : rendered.pages) {
                if (!pages.empty())
                    pages += "<br>";
                const std::string url = encodeRelativeUrl(page.relativePath);
                pages +=
                    page.kind == RenderedAttachment::Kind::image
                        ? "<img src=\"" + url + "\" alt=\"" + escapeHtml(page.name) + "\" style=\"max-width: 100%\">"
                        : "<a href=\"" + url + "\">" + escapeHtml(page.name) + "</a>";
            }
            if (!pages.empty())
                return pages;
            break;
        }
        case RenderedAttachment::Kind::missing:
            break;
        }
        const std::string name = rendered.name.empty() ? "attachment" : rendered.name;
        return "[" + escapeHtml(name) + "]";
    }

    std::string tableHtml(const notesdb::NoteTable& table) const
    {
        const std::string cellOpening = table.rightToLeft ? "<td dir=\"rtl\">" : "<td>";
        std::string out = "<table>\n";
        for (const auto& row : table.rows) {
            out += "<tr>\n";
            for (const NoteDocument& cell : row)
                out += cellOpening + BodyWriter(cell, m_resolve).cellHtml() + "</td>\n";
            out += "</tr>\n";
        }
        return out + "</table>";
    }

public:
    // A table cell: its lines with their formatting, separated by line breaks.
    std::string cellHtml() const
    {
        std::string out;
        const auto paragraphs = splitParagraphs(m_document);
        for (size_t i = 0; i < paragraphs.size(); ++i) {
            if (i > 0)
                out += "<br>";
            out += inlineHtml(paragraphs[i].begin, paragraphs[i].end);
        }
        return out;
    }

private:
    std::string styled(std::string text, const NoteDocument::Run* run) const
    {
        if (!run || text.empty())
            return text;
        if (run->strikethrough)
            text = "<s>" + text + "</s>";
        if (run->underlined)
            text = "<u>" + text + "</u>";
        if (run->fontWeight == NoteDocument::FontWeight::italic ||
            run->fontWeight == NoteDocument::FontWeight::boldItalic)
            text = "<i>" + text + "</i>";
        if (run->fontWeight == NoteDocument::FontWeight::bold ||
            run->fontWeight == NoteDocument::FontWeight::boldItalic)
            text = "<b>" + text + "</b>";
        if (run->superscript > 0)
            text = "<sup>" + text + "</sup>";
        else if (run->superscript < 0)
            text = "<sub>" + text + "</sub>";
        if (!run->link.empty()) {
            const std::string href = safeHref(run->link);
            if (!href.empty())
                text = "<a href=\"" + href + "\">" + text + "</a>";
        }
        return text;
    }

    static bool sameLook(const NoteDocument::Run* a, const NoteDocument::Run* b)
    {
        if (!a || !b)
            return a == b;
        return a->fontWeight == b->fontWeight && a->underlined == b->underlined &&
               a->strikethrough == b->strikethrough && a->superscript == b->superscript && a->link == b->link;
    }

    // The HTML of text[begin, end). Neighbouring runs that look the same share one set of tags.
    std::string inlineHtml(size_t begin, size_t end) const
    {
        std::string out;
        std::string pending;
        const NoteDocument::Run* pendingRun = nullptr;
        size_t position = begin;
        while (position < end) {
            const NoteDocument::Run* run = runAt(m_document, position);
            size_t segmentEnd = end;
            if (run) {
                segmentEnd = std::min(end, run->end);
            } else {
                for (const auto& other : m_document.runs)
                    if (other.begin > position && other.begin < segmentEnd)
                        segmentEnd = other.begin;
            }
            std::string_view segment(m_document.text.data() + position, segmentEnd - position);
            std::string html;
            size_t from = 0;
            for (;;) {
                const size_t at = segment.find(NoteDocument::kAttachmentCharacter, from);
                html +=
                    escapeHtml(segment.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
                if (at == std::string_view::npos)
                    break;
                html += run && run->attachment ? attachmentHtml(*run) : "";
                from = at + NoteDocument::kAttachmentCharacter.size();
            }
            if (position != begin && !sameLook(pendingRun, run)) {
                out += styled(std::move(pending), pendingRun);
                pending.clear();
            }
            pending += html;
            pendingRun = run;
            position = segmentEnd;
        }
        out += styled(std::move(pending), pendingRun);
        return out;
    }

    const NoteDocument& m_document;
    const NoteHtmlRenderer::ResolveAttachment& m_resolve;
    std::string m_out;
    std::vector<OpenList> m_lists;
    bool m_inPre = false;
};

} // namespace

std::string NoteHtmlRenderer::renderBody(const NoteDocument& document) const
{
    return BodyWriter(document, m_resolve).write();
}

std::string NoteHtmlRenderer::page(const std::string& title, const std::string& body)
{
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"UTF-8\">\n<title>" + escapeHtml(title) +
           "</title>\n<style>\nbody { font-family: -apple-system, Helvetica, Arial, sans-serif; }\n"
           "ul.dashed { list-style-type: \"\\2013  \"; }\nul.checklist { list-style: none; padding-left: 1.2em; }\n"
           "pre { white-space: pre-wrap; }\n"
           "table { border-collapse: collapse; }\ntd { border: 1px solid #ccc; padding: 3px 5px; vertical-align: top; "
           "min-width: 70px; }\n</style>\n</head>\n<body>\n" +
           body + "</body>\n</html>\n";
}

} // namespace varnholt
