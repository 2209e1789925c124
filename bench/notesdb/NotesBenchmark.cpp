// Times the fast Notes export against its floor on a home of 20,000 generated notes
// (about 2 KB of text each, gzip protobuf bodies, 5 % with an attachment):
//   floor: open the store and inflate every body with zlib, nothing else;
//   full:  the whole fast export, TXT and NDJSON.
// Usage: bench_notesdb [work folder]   (default: a new folder under /tmp, removed afterwards)
#include "ChildRun.h"
#include "NotesHome.h"
#include "WorkFolder.h"
#include "export/notesdb/NotesExporterFastDB.h"
#include "platform/Database.h"
#include "platform/Gzip.h"
#include "platform/Statement.h"
#include "platform/Trace.h"
#include "sample-home/NotesSample.h"
#include "sources/MacHomeSource.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <fstream>
#include <iostream>
#include <sys/resource.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {
double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU seconds (user + system) of the whole process so far, all threads.
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Reads every body and inflates it; returns the number of bodies.
size_t inflateAllBodies(const fs::path& store)
{
    auto db = varnholt::Database::open(varnholt::sqliteFileUri(store.string(), "mode=ro"),
                                       varnholt::Database::Mode::ReadOnlyUri);
    if (!db)
        throw std::runtime_error(db.error());
    auto statement = db->prepare("SELECT ZDATA FROM ZICNOTEDATA");
    if (!statement)
        throw std::runtime_error(statement.error());
    size_t count = 0;
    size_t bytes = 0;
    while (statement->step() == varnholt::Statement::Step::Row) {
        if (auto text = varnholt::notesdb::inflateGzip(statement->columnBlob(0))) {
            bytes += text->size();
            ++count;
        }
    }
    return bytes > 0 ? count : 0;
}
} // namespace

int main(int argc, char** argv)
{
    const bench::WorkFolder folder(argc, argv, "notes");
    if (folder.path().empty())
        return 1;
    const fs::path& work = folder.path();
    varnholt::ScopedTraceSink quiet([](std::string_view) {});
    const fs::path home = bench::buildLargeNotesHome(work);
    auto start = Clock::now();

    const fs::path store = varnholt::sample::notesContainer(home) / "NoteStore.sqlite";
    // Each timed run once untimed first, so both find the files in the page cache.
    inflateAllBodies(store);
    start = Clock::now();
    double cpu = cpuSeconds();
    const size_t bodies = inflateAllBodies(store);
    const double floor = secondsSince(start);
    const double floorCpu = cpuSeconds() - cpu;

    auto runExport = [&](const fs::path& out) {
        size_t notes = 0;
        varnholt::NotesExporterFastDB exporter(
            [&](double, const std::string& message) {
                if (message.rfind("Export complete: ", 0) == 0)
                    notes = std::stoul(message.substr(17));
            },
            varnholt::MacHomeSource::make(home.string()));
        exporter.exportTo(out.string(), {varnholt::ExportFormat::html, varnholt::ExportFormat::json});
        return notes > 0;
    };
    runExport(work / "warm");
    // In a child, so the peak memory is the export's and not the sample builder's.
    const bench::Run full = bench::inChild([&] { return runExport(work / "out"); });

    size_t notes = 0;
    if (std::ifstream lines(work / "out" / "notes.ndjson"); lines)
        for (std::string line; std::getline(lines, line);)
            ++notes;

    std::cout << fmt::format("Bodies inflated (floor): {} in {:.3f} s (CPU {:.3f} s)\n", bodies, floor, floorCpu);
    std::cout << fmt::format("Full fast export:        {} notes in {:.3f} s (CPU {:.3f} s, {:.0f} notes/s){}\n", notes,
                             full.seconds, full.cpuSeconds, static_cast<double>(notes) / full.seconds,
                             full.ok ? "" : "  (FAILED)");
    std::cout << fmt::format("Ratio full / floor:      {:.2f} (target <= 2.0; CPU ratio {:.2f})\n",
                             full.seconds / floor, full.cpuSeconds / floorCpu);
    std::cout << fmt::format("Peak RSS of the export:  {:.1f} MiB (target <= 100)\n", full.peakKilobytes / 1024.0);

    return 0;
}
