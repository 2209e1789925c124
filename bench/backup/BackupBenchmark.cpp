// Messages export from a plain iPhone backup against the same export from a Mac home holding the
// same files: one generated home (by default 200,000 messages in 1,000 conversations, 3 % with an
// attachment) and a backup built from it. Each export runs in a child process of its own, so
// that its peak memory is its own; the backup's run includes reading Manifest.db and laying out
// the links. The goal: the backup costs at most 1.2 times the home.
//
//   bench_backup [--messages N] [--conversations N] [--rounds N] [--keep DIR]

#include "export/messages/MessagesExporter.h"
#include "platform/Trace.h"
#include "sample-home/BackupBuilder.h"
#include "sample-home/MessagesSample.h"
#include "sources/MacHomeSource.h"
#include "sources/SourceFactory.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace varnholt;

namespace {
struct Run {
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKilobytes = 0;
    bool ok = false;
};

Run inChild(const std::function<bool()>& work)
{
    std::fflush(stdout);
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
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.peakKilobytes = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

bool exportFrom(const SourcePtr& source, const fs::path& out)
{
    MessagesExporter exporter(source);
    exporter.exportMessages(out.string());
    if (exporter.lastExportError()())
        std::printf("  export failed: %s\n", exporter.lastExportError()()->c_str());
    return !exporter.lastExportError()();
}

std::size_t filesBelow(const fs::path& folder)
{
    std::size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        count += entry.is_regular_file() ? 1 : 0;
    return count;
}
} // namespace

int main(int argc, char** argv)
{
    sample::MessagesVolume volume;
    volume.messages = 200'000;
    volume.conversations = 1'000;
    int rounds = 3;
    std::string keep;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--messages")
            volume.messages = std::stoul(argv[i + 1]);
        else if (option == "--conversations")
            volume.conversations = std::stoul(argv[i + 1]);
        else if (option == "--rounds")
            rounds = std::stoi(argv[i + 1]);
        else if (option == "--keep")
            keep = argv[i + 1];
    }
    const fs::path work =
        keep.empty() ? fs::temp_directory_path() / ("bench_backup." + std::to_string(getpid())) : fs::path(keep);
    const fs::path home = work / "home";
    const fs::path backup = work / "backup";
    if (!fs::exists(backup)) {
        std::printf("Building a home with %zu messages and its backup in %s...\n", volume.messages, work.c_str());
        const Run built = inChild([&] {
            sample::SampleOptions options;
            options.scale = sample::Scale::large;
            sample::buildMessages(home, options, volume);
            sample::buildBackupOfHome(home, backup);
            return true;
        });
        if (!built.ok)
            return 1;
    }

    std::vector<Run> fromHome, fromBackup;
    std::size_t homeFiles = 0, backupFiles = 0;
    for (int round = 0; round < rounds; ++round) {
        const Run h = inChild([&] {
            Trace::setSink([](std::string_view) {});
            return exportFrom(MacHomeSource::make(home.string()), work / "out-home");
        });
        homeFiles = filesBelow(work / "out-home");
        fs::remove_all(work / "out-home");
        const Run b = inChild([&] {
            Trace::setSink([](std::string_view) {});
            return exportFrom(openSource(backup.string(), (work / "out-backup").string(), ExporterType::messages),
                              work / "out-backup");
        });
        backupFiles = filesBelow(work / "out-backup");
        fs::remove_all(work / "out-backup");
        if (!h.ok || !b.ok)
            return 1;
        fromHome.push_back(h);
        fromBackup.push_back(b);
    }
    auto best = [](std::vector<Run> runs) {
        return *std::min_element(runs.begin(), runs.end(),
                                 [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    };
    const Run h = best(fromHome);
    const Run b = best(fromBackup);
    std::printf("Messages export, best of %d (files exported: home %zu, backup %zu)\n", rounds, homeFiles, backupFiles);
    std::printf("  Mac home:      %6.2f s wall  %6.2f s CPU  %6.1f MB peak\n", h.seconds, h.cpuSeconds,
                static_cast<double>(h.peakKilobytes) / 1024.0);
    std::printf("  plain backup:  %6.2f s wall  %6.2f s CPU  %6.1f MB peak\n", b.seconds, b.cpuSeconds,
                static_cast<double>(b.peakKilobytes) / 1024.0);
    std::printf("  backup / home: %.2f x wall, %.2f x CPU (goal: at most 1.2 x)\n", b.seconds / h.seconds,
                b.cpuSeconds / h.cpuSeconds);
    if (keep.empty())
        fs::remove_all(work);
    return 0;
}
