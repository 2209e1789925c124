// Backup benchmark: the Messages export of one generated home, read three ways, each in a child
// process so that its peak memory is its own:
//
//   - from the Mac home itself;
//   - from a plain iPhone backup holding the same files (laid out as links, then exported);
//   - from the same backup encrypted (key derivation with a phone's round counts, then every
//     file the export reads decrypted into the private folder, then exported).
//
// The key derivation alone is timed too, so that the encrypted export can be held against
// "derivation + 1.5 x the plain one".
//
//   bench_backup [--messages N] [--conversations N] [--slow-rounds N] [--keep]

#include "ChildRun.h"
#include "export/messages/MessagesExporter.h"
#include "platform/Trace.h"
#include "sample-home/BackupBuilder.h"
#include "sample-home/MessagesSample.h"
#include "sample-home/SampleHome.h"
#include "sources/MacHomeSource.h"
#include "sources/SourceFactory.h"
#include "sources/backup/BackupKeybag.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace fs = std::filesystem;
using namespace varnholt;

namespace {
constexpr const char* kPassword = "correct horse battery staple";

using bench::inChild;
using bench::Run;

bool exportFrom(const fs::path& folder, const fs::path& out, const SourceUnlock& unlock = {})
{
    fs::create_directories(out);
    try {
        MessagesExporter exporter(openSource(folder.string(), out.string(), ExporterType::messages, unlock));
        exporter.exportMessages(out.string());
        if (exporter.lastExportError()()) {
            std::printf("  export failed: %s\n", exporter.lastExportError()()->c_str());
            return false;
        }
        return true;
    } catch (const Error& error) {
        std::printf("  export failed: %s\n", error.description().c_str());
        return false;
    }
}

void report(const char* title, const Run& run)
{
    std::printf("  %-30s %7.2f s wall %7.2f s CPU, peak RSS %6.1f MB%s\n", title, run.seconds, run.cpuSeconds,
                run.peakKilobytes / 1024.0, run.ok ? "" : "  (FAILED)");
}
} // namespace

int main(int argc, char** argv)
{
    const ScopedTraceSink quiet([](std::string_view) {}); // the children inherit it
    sample::MessagesVolume volume;
    volume.messages = 200'000;
    volume.conversations = 1000;
    std::uint32_t slowRounds = 10'000'000; // what iOS uses since 10.2
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--messages" && i + 1 < argc)
            volume.messages = std::stoul(argv[++i]);
        else if (arg == "--conversations" && i + 1 < argc)
            volume.conversations = std::stoul(argv[++i]);
        else if (arg == "--slow-rounds" && i + 1 < argc)
            slowRounds = static_cast<std::uint32_t>(std::stoul(argv[++i]));
        else if (arg == "--keep")
            keep = true;
    }
    const fs::path work = fs::temp_directory_path() / ("varnholt-bench-backup-" + std::to_string(getpid()));
    const fs::path home = work / "home";
    std::printf("Building a home with %zu messages in %zu conversations, and two backups of it...\n", volume.messages,
                volume.conversations);
    const Run built = inChild([&] {
        sample::SampleOptions options;
        options.scale = sample::Scale::large;
        sample::buildMessages(home, options, volume);
        sample::buildBackupOfHome(home, work / "plain");
        sample::buildBackupOfHome(home, work / "encrypted",
                                  sample::BackupEncryption{kPassword, {.slow = slowRounds, .fast = 10'000}});
        return true;
    });
    if (!built.ok)
        return 1;
    std::printf("  built in %.1f s\n\n== Messages export (JSON + HTML + TXT + attachments)\n", built.seconds);

    const Run fromHome = inChild([&] { return exportFrom(home, work / "out-home"); });
    report("from the Mac home", fromHome);
    const Run fromPlain = inChild([&] { return exportFrom(work / "plain", work / "out-plain"); });
    report("from the plain backup", fromPlain);
    // The derivation's cost depends only on the round counts: a bag with the encrypted backup's.
    const std::string bag = sample::BackupKeybagBuilder(kPassword, {.slow = slowRounds, .fast = 10'000}).bytes();
    const Run derivation = inChild([&] {
        auto keybag = backup::BackupKeybag::parse(bag);
        return keybag && keybag->derivePasswordKey(kPassword).has_value();
    });
    report("key derivation alone", derivation);
    SourceUnlock unlock;
    unlock.passwords = {kPassword};
    const Run fromEncrypted = inChild([&] { return exportFrom(work / "encrypted", work / "out-encrypted", unlock); });
    report("from the encrypted backup", fromEncrypted);

    const double derive = derivation.seconds;
    std::printf("\n  plain backup / home: %.2f wall, %.2f CPU (target <= 1.2)\n", fromPlain.seconds / fromHome.seconds,
                fromPlain.cpuSeconds / fromHome.cpuSeconds);
    std::printf("  (encrypted - derivation) / plain backup: %.2f wall, %.2f CPU (target <= 1.5)\n",
                (fromEncrypted.seconds - derive) / fromPlain.seconds,
                (fromEncrypted.cpuSeconds - derivation.cpuSeconds) / fromPlain.cpuSeconds);
    std::printf("  peak RSS of the encrypted export %.1f MB, target <= 100 MB: %s\n",
                fromEncrypted.peakKilobytes / 1024.0, fromEncrypted.peakKilobytes <= 100 * 1024 ? "met" : "NOT met");
    if (keep)
        std::printf("\nkept in %s\n", work.c_str());
    else
        fs::remove_all(work);
    return fromHome.ok && fromPlain.ok && fromEncrypted.ok ? 0 : 1;
}
