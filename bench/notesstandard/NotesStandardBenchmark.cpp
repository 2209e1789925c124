// Times the standard Notes export (one formatted HTML page per note, written in process) against
// the fast method on the same home of 20,000 generated notes, each export in a child process so its
// time and peak memory are its own.
// Usage: bench_notesstandard [work folder]   (default: a new folder under /tmp, removed afterwards)
#include "ChildRun.h"
#include "NotesHome.h"
#include "WorkFolder.h"
#include "export/notesdb/NotesExporterFastDB.h"
#include "export/notesstandard/NotesExporterSimple.h"
#include "platform/Trace.h"
#include "sample-home/NotesSample.h"
#include "sources/MacHomeSource.h"

#include <chrono>
#include <filesystem>
#include <fmt/format.h>
#include <iostream>

namespace fs = std::filesystem;

namespace {
long long countFiles(const fs::path& root, const std::string& extension)
{
    long long count = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        count += it->path().extension() == extension ? 1 : 0;
    return count;
}
} // namespace

int main(int argc, char** argv)
{
    const bench::WorkFolder folder(argc, argv, "standard");
    if (folder.path().empty())
        return 1;
    const fs::path& work = folder.path();
    varnholt::ScopedTraceSink quiet([](std::string_view) {});
    const fs::path home = bench::buildLargeNotesHome(work);

    const auto ignore = [](double, const std::string&) {};
    const bench::Run fast = bench::inChild([&] {
        varnholt::NotesExporterFastDB(ignore, varnholt::MacHomeSource::make(home.string()))
            .exportTo((work / "fast").string(), {varnholt::ExportFormat::html});
        return true;
    });
    const long long fastNotes = countFiles(work / "fast", ".txt");

    const bench::Run standard = bench::inChild([&] {
        varnholt::NotesExporterSimple::Services services;
        services.source = varnholt::MacHomeSource::make(home.string());
        varnholt::NotesExporterSimple(services).exportTo((work / "standard").string(), varnholt::DryRun::no,
                                                         {varnholt::ExportFormat::html}, std::nullopt, ignore);
        return true;
    });
    const long long standardNotes = countFiles(work / "standard", ".html");

    if (!fast.ok || !standard.ok) {
        std::cout << "An export failed\n";
        return 1;
    }
    std::cout << fmt::format("Fast method (TXT):      {} notes in {:.2f} s ({:.0f} notes/s), peak RSS {:.1f} MiB\n",
                             fastNotes, fast.seconds, fastNotes / fast.seconds, fast.peakKilobytes / 1024.0);
    std::cout << fmt::format("Standard method (HTML): {} notes in {:.2f} s ({:.0f} notes/s), CPU {:.2f} s\n",
                             standardNotes, standard.seconds, standardNotes / standard.seconds, standard.cpuSeconds);
    std::cout << fmt::format("Ratio standard / fast:  {:.2f} (target <= 3.0)\n", standard.seconds / fast.seconds);
    std::cout << fmt::format("Peak RSS of the standard export: {:.1f} MiB (target <= 100)\n",
                             standard.peakKilobytes / 1024.0);
    return 0;
}
