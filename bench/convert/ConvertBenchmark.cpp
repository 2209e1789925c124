// Times note conversion on generated notes: (a) TXT + RTF in process,
// (b) the same through one pandoc process per file and format, as a script
// would do it, and (c) Markdown through the Python chain. Prints files per
// second and how many times faster (a) is than (b).
//
//   bench_convert [--files N]

#include "convert/FormatConverter.h"
#include "platform/Files.h"
#include "platform/ProcessRunner.h"
#include "platform/Trace.h"

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
    if (argc == 3 && std::string(argv[1]) == "--files")
        count = std::atoi(argv[2]);
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
    std::printf("(c) Markdown through the chain:      %8.2f s  %10.1f files/s\n", c, count / c);

    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
