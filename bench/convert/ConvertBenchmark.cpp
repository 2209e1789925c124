// Times note conversion on generated notes: (a) TXT + RTF in process,
// (b) the same through one pandoc process per file and format, as a script
// would do it, (c) Markdown through Varnholt (one Python per worker) against
// (d) one `python3 -c html2text` process per note, and (e) PDF through
// Varnholt (one weasyprint Python per worker) against (f) one `weasyprint`
// command per note. Prints files per second and the ratios.
//
//   bench_convert [--files N] [--pdf-files N]

#include "convert/FormatConverter.h"
#include "platform/Files.h"
#include "platform/ProcessRunner.h"
#include "platform/Trace.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <string>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// About 3 KB of the markup notes hold: headings, styles, lists, a checklist, links, a table, many scripts.
std::string noteHtml(int index)
{
    std::string html = fmt::format("<html><head><meta charset=\"utf-8\"><title>Note {0}</title></head><body>"
                                   "<h1>Note {0}: Grüße aus Köln</h1>",
                                   index);
    for (int paragraph = 0; paragraph < 10; ++paragraph)
        html += fmt::format("<div>Paragraph {} with <b>bold</b>, <i>italic</i> and <u>underlined</u> words, "
                            "日本語のテキスト, مرحبا بالعالم, emoji 😀👍🏽 and a <a "
                            "href=\"https://example.org/{}/{}\">"
                            "link to somewhere</a>.</div><div><br></div>",
                            paragraph, index, paragraph);
    html += "<h2>Lists</h2><ul><li>Milk</li><li>Eggs &amp; bread</li><li>Crème fraîche</li></ul>"
            "<ol><li>First</li><li>Second<ul><li>nested</li></ul></li></ol>"
            "<ul class=\"checklist\"><li class=\"checked\">Done</li><li>Not yet</li></ul>"
            "<table><tr><th>Item</th><th>Price</th></tr><tr><td>Coffee</td><td>€3.20</td></tr></table>"
            "<pre>code {\n    return 1;\n}</pre><div>Ende.</div></body></html>";
    return html;
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

} // namespace

int main(int argc, char** argv)
{
    int count = 1000;
    int pdfCount = 1000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--files")
            count = std::atoi(argv[i + 1]);
        else if (std::string(argv[i]) == "--pdf-files")
            pdfCount = std::atoi(argv[i + 1]);
    }
    char pattern[] = "/tmp/varnholt-bench-XXXXXX";
    if (!::mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root(pattern);
    const fs::path notes = root / "notes";
    fs::create_directories(notes);
    std::size_t bytes = 0;
    for (int i = 0; i < count; ++i) {
        const std::string html = noteHtml(i);
        bytes += html.size();
        if (!varnholt::writeFile(notes / fmt::format("Note {:04}.html", i), html)) {
            std::fprintf(stderr, "cannot write the notes\n");
            return 1;
        }
    }
    std::printf("%d notes, %.1f KB each on average, in %s\n", count, bytes / 1024.0 / count, notes.c_str());

    // Trace lines would swamp the figures.
    varnholt::Trace::setSink({});
    varnholt::FormatConverter converter;

    const auto startA = Clock::now();
    converter.convertFolder(notes.string(), (root / "a").string(),
                            {varnholt::ExportFormat::txt, varnholt::ExportFormat::rtf}, std::nullopt, {},
                            varnholt::SourceHtml::leaveUntouched);
    const double a = seconds(Clock::now() - startA);
    std::printf("(a) TXT + RTF in process:            %8.2f s  %10.1f files/s\n", a, count / a);

    double b = 0;
    const fs::path pandoc = "/usr/bin/pandoc";
    if (fs::exists(pandoc)) {
        fs::create_directories(root / "b");
        const auto startB = Clock::now();
        for (int i = 0; i < count; ++i) {
            const std::string name = fmt::format("Note {:04}", i);
            for (const auto& [format, extension] : {std::pair{"plain", ".txt"}, std::pair{"rtf", ".rtf"}}) {
                varnholt::ProcessSpec spec;
                spec.executable = pandoc.string();
                spec.arguments = {"-s",
                                  "-f",
                                  "html",
                                  "-t",
                                  format,
                                  "-o",
                                  (root / "b" / (name + extension)).string(),
                                  (notes / (name + ".html")).string()};
                spec.output = varnholt::ProcessOutput::discard;
                (void)varnholt::ProcessRunner::run(spec);
            }
        }
        b = seconds(Clock::now() - startB);
        std::printf("(b) TXT + RTF, one pandoc per file:  %8.2f s  %10.1f files/s\n", b, count / b);
        std::printf("    (b)/(a) = %.1f (target: at least 20)\n", b / a);
    } else {
        std::printf("(b) skipped: pandoc is not installed (apt-get install pandoc to compare)\n");
    }

    const auto startC = Clock::now();
    converter.convertFolder(notes.string(), (root / "c").string(), {varnholt::ExportFormat::markdown}, std::nullopt, {},
                            varnholt::SourceHtml::leaveUntouched);
    const double c = seconds(Clock::now() - startC);
    std::printf("(c) Markdown through Varnholt:       %8.2f s  %10.1f files/s\n", c, count / c);

    const fs::path python = "/usr/bin/python3";
    if (fs::exists(python)) {
        fs::create_directories(root / "d");
        const auto startD = Clock::now();
        for (int i = 0; i < count; ++i) {
            const std::string name = fmt::format("Note {:04}", i);
            varnholt::ProcessSpec spec;
            spec.executable = python.string();
            spec.arguments = {"-c",
                              "import sys, html2text\n"
                              "h = html2text.HTML2Text()\nh.body_width = 0\nh.unicode_snob = True\n"
                              "open(sys.argv[2], 'w', encoding='utf-8').write("
                              "h.handle(open(sys.argv[1], encoding='utf-8').read()))",
                              (notes / (name + ".html")).string(), (root / "d" / (name + ".md")).string()};
            spec.output = varnholt::ProcessOutput::discard;
            (void)varnholt::ProcessRunner::run(spec);
        }
        const double d = seconds(Clock::now() - startD);
        std::printf("(d) Markdown, one python3 per note:  %8.2f s  %10.1f files/s\n", d, count / d);
        std::printf("    (d)/(c) = %.1f (target: at least 10)\n", d / c);
    }

    // PDF takes a second or so per note and per process start: its own, usually smaller, count.
    pdfCount = std::min(pdfCount, count);
    const fs::path pdfNotes = root / "pdf-notes";
    fs::create_directories(pdfNotes);
    for (int i = 0; i < pdfCount; ++i) {
        const std::string name = fmt::format("Note {:04}.html", i);
        fs::copy_file(notes / name, pdfNotes / name);
    }
    const auto startE = Clock::now();
    converter.convertFolder(pdfNotes.string(), (root / "e").string(), {varnholt::ExportFormat::pdf}, std::nullopt, {},
                            varnholt::SourceHtml::leaveUntouched);
    const double e = seconds(Clock::now() - startE);
    std::printf("(e) PDF through Varnholt (%d notes): %8.2f s  %10.1f files/s\n", pdfCount, e, pdfCount / e);
    const fs::path weasyprint = "/usr/bin/weasyprint";
    if (fs::exists(weasyprint)) {
        fs::create_directories(root / "f");
        const auto startF = Clock::now();
        for (int i = 0; i < pdfCount; ++i) {
            const std::string name = fmt::format("Note {:04}", i);
            varnholt::ProcessSpec spec;
            spec.executable = weasyprint.string();
            spec.arguments = {"--encoding", "utf-8", (pdfNotes / (name + ".html")).string(),
                              (root / "f" / (name + ".pdf")).string()};
            spec.output = varnholt::ProcessOutput::discard;
            (void)varnholt::ProcessRunner::run(spec);
        }
        const double f = seconds(Clock::now() - startF);
        std::printf("(f) PDF, one weasyprint per note:    %8.2f s  %10.1f files/s\n", f, pdfCount / f);
        std::printf("    (f)/(e) = %.1f (target: at least 3)\n", f / e);
    } else {
        std::printf("(f) skipped: weasyprint is not installed (Debian package weasyprint)\n");
    }

    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
