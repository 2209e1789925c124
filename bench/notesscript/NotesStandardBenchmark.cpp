// Times the standard Notes export (HTML through the Notes library stand-in and
// varnholt-osascript) against the fast method on the same home of 20,000
// generated notes, in the same run.
// Usage: bench_notesscript [work folder]   (default: a new folder under /tmp, removed afterwards)
#include "export/notesdb/NotesExporterFastDB.h"
#include "export/notesscript/NotesExporterSimple.h"
#include "export/notesscript/NotesScriptServices.h"
#include "platform/Trace.h"
#include "sample-home/NotesSample.h"
#include "sources/MacHomeSource.h"

#include <chrono>
#include <filesystem>
#include <fmt/format.h>
#include <iostream>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {
double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long long countFiles(const fs::path& root, const std::string& extension)
{
    long long count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        count += entry.path().extension() == extension ? 1 : 0;
    return count;
}
} // namespace

int main(int argc, char** argv)
{
    fs::path work;
    bool removeAfter = false;
    if (argc > 1) {
        work = argv[1];
    } else {
        std::string pattern = (fs::temp_directory_path() / "varnholt-bench-standard-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return 1;
        work = pattern;
        removeAfter = true;
    }
    const fs::path home = work / "home";
    varnholt::ScopedTraceSink quiet([](std::string_view) {});

    std::cout << "Building a home with the large Notes sample in " << home << " ...\n";
    auto start = Clock::now();
    varnholt::sample::buildNotes(home, {varnholt::sample::Scale::large, 1});
    std::cout << fmt::format("  built in {:.2f} s\n", secondsSince(start));

    const auto ignore = [](double, const std::string&) {};
    start = Clock::now();
    varnholt::NotesExporterFastDB(ignore, varnholt::MacHomeSource::make(home.string()))
        .exportTo((work / "fast").string(), {varnholt::ExportFormat::html});
    const double fast = secondsSince(start);
    const long long fastNotes = countFiles(work / "fast", ".txt");

    start = Clock::now();
    varnholt::NotesExporterSimple standard(
        varnholt::standardNotesServices(varnholt::MacHomeSource::make(home.string())));
    standard.exportTo((work / "standard").string(), varnholt::DryRun::no, {varnholt::ExportFormat::html}, std::nullopt,
                      ignore);
    const double full = secondsSince(start);
    const long long standardNotes = countFiles(work / "standard", ".html");

    std::cout << fmt::format("Fast method (TXT):      {} notes in {:.2f} s ({:.0f} notes/s)\n", fastNotes, fast,
                             fastNotes / fast);
    std::cout << fmt::format("Standard method (HTML): {} notes in {:.2f} s ({:.0f} notes/s)\n", standardNotes, full,
                             standardNotes / full);
    std::cout << fmt::format("Ratio standard / fast:  {:.2f} (target <= 3.0)\n", full / fast);
    if (removeAfter)
        fs::remove_all(work);
    return 0;
}
