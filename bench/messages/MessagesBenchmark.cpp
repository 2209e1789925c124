// Messages export benchmark: builds a large home once (1,000,000 messages in 5,000
// conversations, 10 % with their text only in attributedBody, 3 % with an attachment),
// then times a single pass over the joined rows (the floor) and the full export, each
// in a child process so that its peak memory is its own.
//
//   bench_messages [--home DIR] [--messages N] [--conversations N] [--keep]

#include "sources/messages/MessagesDatabase.h"
#include "sources/MacHomeSource.h"
#include "export/messages/MessagesExporter.h"
#include "platform/Database.h"
#include "platform/Statement.h"
#include "platform/Trace.h"
#include "sample-home/MessagesSample.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace varnholt;

namespace {
struct Run {
    double seconds = 0;
    long peakKilobytes = 0;
    bool ok = false;
};

// Runs `work` in a child process; returns its wall time and peak resident memory.
Run inChild(const std::function<bool()>& work)
{
    std::fflush(stdout); // or the child would print the parent's pending output again
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const bool ok = work();
        std::fflush(stdout);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKilobytes = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// The floor: one pass over every message with its chat and handle, touching each value once.
bool readJoinedRows(const fs::path& home)
{
    auto db = Database::open((home / "Library/Messages/chat.db").string(), Database::Mode::ReadOnly);
    if (!db)
        return false;
    auto rows = db->prepare("SELECT c.ROWID, c.guid, c.chat_identifier, c.service_name, c.display_name, m.ROWID, "
                            "m.guid, m.text, m.service, m.date, m.is_from_me, h.id, m.cache_has_attachments, "
                            "m.attributedBody FROM chat c JOIN chat_message_join cmj ON c.ROWID = cmj.chat_id "
                            "JOIN message m ON m.ROWID = cmj.message_id LEFT JOIN handle h ON m.handle_id = h.ROWID "
                            "ORDER BY c.ROWID, m.date");
    if (!rows)
        return false;
    size_t bytes = 0;
    while (rows->step() == Statement::Step::Row)
        for (int column = 0; column < 14; ++column)
            bytes += rows->columnBlob(column).size();
    std::printf("  floor read %zu bytes of values\n", bytes);
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    fs::path home;
    bool keep = false;
    sample::MessagesVolume volume;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--home" && i + 1 < argc)
            home = argv[++i];
        else if (arg == "--messages" && i + 1 < argc)
            volume.messages = std::stoul(argv[++i]);
        else if (arg == "--conversations" && i + 1 < argc)
            volume.conversations = std::stoul(argv[++i]);
        else if (arg == "--keep")
            keep = true;
    }
    const fs::path work = fs::temp_directory_path() / ("varnholt-bench-" + std::to_string(getpid()));
    const bool building = home.empty();
    if (building) {
        home = work / "home";
        std::printf("Building a home with %zu messages in %zu conversations...\n", volume.messages,
                    volume.conversations);
        const Run built = inChild([&] {
            sample::SampleOptions options;
            options.scale = sample::Scale::large;
            sample::buildMessages(home, options, volume);
            return true;
        });
        if (!built.ok)
            return 1;
        std::printf("  built in %.1f s\n", built.seconds);
    }
    const auto size = fs::file_size(home / "Library/Messages/chat.db");
    std::printf("chat.db: %.1f MB\n", static_cast<double>(size) / 1e6);

    const Run floor = inChild([&] { return readJoinedRows(home); });
    const Run full = inChild([&] {
        Trace::setSink([](std::string_view) {});
        MessagesExporter exporter(MacHomeSource::make(home.string()));
        exporter.exportMessages((work / "out").string());
        if (exporter.lastExportError()())
            std::printf("  export failed: %s\n", exporter.lastExportError()()->c_str());
        std::printf("  %s\n", exporter.currentStatus()().c_str());
        return !exporter.lastExportError()();
    });
    if (!floor.ok || !full.ok)
        return 1;

    const double messages = static_cast<double>(volume.messages);
    std::printf("floor (single pass over the joined rows): %.2f s, peak RSS %.1f MB\n", floor.seconds,
                floor.peakKilobytes / 1024.0);
    std::printf("Varnholt export (JSON + HTML + text + attachments): %.2f s, peak RSS %.1f MB\n", full.seconds,
                full.peakKilobytes / 1024.0);
    std::printf("ratio export / floor: %.2f (target <= 2.0)\n", full.seconds / floor.seconds);
    std::printf("messages per second: %.0f\n", messages / full.seconds);
    std::printf("peak RSS target <= 100 MB: %s\n", full.peakKilobytes <= 100 * 1024 ? "met" : "NOT met");
    if (!keep)
        fs::remove_all(work);
    return 0;
}
