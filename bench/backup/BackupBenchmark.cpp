// Backup benchmark: the Messages export of one generated home, read three ways, each in a child
// process so that its peak memory is its own:
//
//   - from the Mac home itself;
//   - from a plain iPhone backup holding the same files (its manifest indexed, the databases
//     laid out as links, the attachments read where they lie, then exported);
//   - from the same backup encrypted (key derivation with a phone's round counts, then every
//     file the export reads decrypted into the private folder, then exported).
//
// The home and the plain backup are exported --repeat times each (5 unless given), in turn, and the
// least CPU time of each is compared: on a shared machine one run's CPU time moves by a third, most
// of it in the system's part (the file system's work for the output, the same for both).
//
// The key derivation alone is timed too, so that the encrypted export can be held against
// "derivation + 1.5 x the plain one".
//
// Last, the manifest index alone: a Manifest.db of --index-files rows (a phone's mix of domains
// and paths) indexed whole, with the index's size per file and the child's peak memory.
//
//   bench_backup [--messages N] [--conversations N] [--slow-rounds N] [--repeat N]
//                [--index-files N] [--keep]

#include "ChildRun.h"
#include "export/messages/MessagesExporter.h"
#include "platform/Database.h"
#include "platform/Statement.h"
#include "platform/Trace.h"
#include "sample-home/BackupBuilder.h"
#include "sample-home/MessagesSample.h"
#include "sample-home/SampleHome.h"
#include "sources/BackupManifest.h"
#include "sources/MacHomeSource.h"
#include "sources/SourceFactory.h"
#include "sources/backup/BackupKeybag.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fmt/format.h>
#include <functional>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

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
    std::printf("  %-36s %7.2f s wall %7.2f s CPU, peak RSS %6.1f MB%s\n", title, run.seconds, run.cpuSeconds,
                run.peakKilobytes / 1024.0, run.ok ? "" : "  (FAILED)");
}

// Of several runs, the one that took the least CPU; failed if any failed.
Run leastCpu(const std::vector<Run>& runs)
{
    Run least = *std::min_element(runs.begin(), runs.end(),
                                  [](const Run& a, const Run& b) { return a.cpuSeconds < b.cpuSeconds; });
    least.ok = std::all_of(runs.begin(), runs.end(), [](const Run& run) { return run.ok; });
    return least;
}

// A Manifest.db as a phone with `files` files writes it: a few thousand app domains of cache and
// document files, the camera roll, the media domain's message attachments and the home domain,
// with paths of the usual lengths, and one real MBFile record in every row.
void writeManifest(const fs::path& backup, std::size_t files)
{
    fs::create_directories(backup);
    auto db = Database::open((backup / "Manifest.db").string(), Database::Mode::ReadWriteCreate);
    if (!db)
        throw std::runtime_error(db.error());
    for (const char* sql :
         {"CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT, flags INTEGER, file BLOB)",
          "CREATE INDEX FilesDomainIdx ON Files(domain)", "CREATE INDEX FilesRelativePathIdx ON Files(relativePath)",
          "CREATE INDEX FilesFlagsIdx ON Files(flags)", "CREATE TABLE Properties (key TEXT PRIMARY KEY, value BLOB)",
          "BEGIN"})
        if (auto done = db->exec(sql); !done)
            throw std::runtime_error(done.error());
    auto insert = db->prepare("INSERT OR IGNORE INTO Files VALUES (?1, ?2, ?3, ?4, ?5)");
    if (!insert)
        throw std::runtime_error(insert.error());
    std::uint64_t state = 88172645463325252ULL; // xorshift: the same backup every run
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    for (std::size_t i = 0; i < files; ++i) {
        const std::uint64_t r = next();
        std::string domain;
        std::string path;
        switch (r % 10) {
        case 0:
        case 1:
            domain = "CameraRollDomain";
            path = fmt::format("Media/DCIM/{}APPLE/IMG_{:04}.HEIC", 100 + (i / 1000) % 900, i % 10000);
            break;
        case 2:
            domain = "MediaDomain";
            path = fmt::format("Library/SMS/Attachments/{:02x}/{:02x}/{:016X}-{:08X}/IMG_{:04}.jpeg", r >> 8 & 0xFF,
                               r >> 16 & 0xFF, next(), i, i % 10000);
            break;
        case 3:
            domain = "HomeDomain";
            path = fmt::format("Library/Caches/com.apple.{}/fsCachedData/{:016X}", r >> 20 & 0x3F, next());
            break;
        default:
            domain = fmt::format("AppDomain-com.vendor{}.app{}", r >> 8 & 0x3FF, r >> 20 & 0x3);
            path = (r >> 30 & 1) ? fmt::format("Library/Caches/com.vendor.app/fsCachedData/{:016X}-{:08X}", next(), i)
                                 : fmt::format("Documents/{:x}/data-{}.sqlite", r >> 40 & 0xFFF, i);
        }
        static const std::string record = sample::makeMBFileArchive("Documents/data.sqlite", 123456, 0100644, 0);
        insert->reset();
        insert->bindText(1, backupFileID(domain, path));
        insert->bindText(2, domain);
        insert->bindText(3, path);
        insert->bindInt(4, 1);
        insert->bindBlob(5, record.data(), static_cast<int>(record.size()));
        if (insert->step() != Statement::Step::Done)
            throw std::runtime_error(db->errorMessage());
    }
    if (auto done = db->exec("COMMIT"); !done)
        throw std::runtime_error(done.error());
}
} // namespace

int main(int argc, char** argv)
{
    const ScopedTraceSink quiet([](std::string_view) {}); // the children inherit it
    sample::MessagesVolume volume;
    volume.messages = 200'000;
    volume.conversations = 1000;
    std::uint32_t slowRounds = 10'000'000; // what iOS uses since 10.2
    std::size_t repeat = 5;
    std::size_t indexFiles = 500'000;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--messages" && i + 1 < argc)
            volume.messages = std::stoul(argv[++i]);
        else if (arg == "--conversations" && i + 1 < argc)
            volume.conversations = std::stoul(argv[++i]);
        else if (arg == "--slow-rounds" && i + 1 < argc)
            slowRounds = static_cast<std::uint32_t>(std::stoul(argv[++i]));
        else if (arg == "--repeat" && i + 1 < argc)
            repeat = std::max<std::size_t>(1, std::stoul(argv[++i]));
        else if (arg == "--index-files" && i + 1 < argc)
            indexFiles = std::stoul(argv[++i]);
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

    std::vector<Run> homeRuns;
    std::vector<Run> plainRuns;
    // Each run starts with the last one's output on disk: writing back 150 MB of another run's files
    // would be counted as this one's system time.
    for (std::size_t round = 0; round < repeat; ++round) {
        ::sync();
        homeRuns.push_back(inChild([&] { return exportFrom(home, work / "out-home"); }));
        ::sync();
        plainRuns.push_back(inChild([&] { return exportFrom(work / "plain", work / "out-plain"); }));
    }
    const Run fromHome = leastCpu(homeRuns);
    const Run fromPlain = leastCpu(plainRuns);
    const std::string least = repeat > 1 ? " (least of " + std::to_string(repeat) + ")" : "";
    report(("from the Mac home" + least).c_str(), fromHome);
    report(("from the plain backup" + least).c_str(), fromPlain);
    // The derivation's cost depends only on the round counts: a bag with the encrypted backup's.
    const std::string bag = sample::BackupKeybagBuilder(kPassword, {.slow = slowRounds, .fast = 10'000}).bytes();
    const Run derivation = inChild([&] {
        auto keybag = backup::BackupKeybag::parse(bag);
        return keybag && keybag->derivePasswordKey(kPassword).has_value();
    });
    report("key derivation alone", derivation);
    SourceUnlock unlock;
    unlock.passwords = {kPassword};
    ::sync();
    const Run fromEncrypted = inChild([&] { return exportFrom(work / "encrypted", work / "out-encrypted", unlock); });
    report("from the encrypted backup", fromEncrypted);

    const double derive = derivation.seconds;
    const double plainRatio = fromPlain.cpuSeconds / fromHome.cpuSeconds;
    std::printf("\n  PLAIN BACKUP / HOME, CPU: %.2f (target <= 1.2: %s); of it user %.2f, system %.2f; wall %.2f\n",
                plainRatio, plainRatio <= 1.2 ? "met" : "NOT met", fromPlain.userSeconds / fromHome.userSeconds,
                (fromPlain.cpuSeconds - fromPlain.userSeconds) / (fromHome.cpuSeconds - fromHome.userSeconds),
                fromPlain.seconds / fromHome.seconds);
    std::printf("  (encrypted - derivation) / plain backup: %.2f wall, %.2f CPU (target <= 1.5)\n",
                (fromEncrypted.seconds - derive) / fromPlain.seconds,
                (fromEncrypted.cpuSeconds - derivation.cpuSeconds) / fromPlain.cpuSeconds);
    std::printf("  peak RSS of the encrypted export %.1f MB, target <= 100 MB: %s\n",
                fromEncrypted.peakKilobytes / 1024.0, fromEncrypted.peakKilobytes <= 100 * 1024 ? "met" : "NOT met");

    bool indexed = true;
    if (indexFiles > 0) {
        std::printf("\n== Manifest index of a backup of %zu files\n", indexFiles);
        const Run written = inChild([&] {
            writeManifest(work / "large", indexFiles);
            return true;
        });
        if (!written.ok)
            return 1;
        const Run index = inChild([&] {
            auto manifest = BackupManifest::open(work / "large", work / "large-scratch");
            if (!manifest) {
                std::printf("  index failed: %s\n", manifest.error().description().c_str());
                return false;
            }
            std::printf("  %zu files indexed in %.1f MB: %.0f bytes a file (entry and path)\n",
                        manifest->indexedFiles(), static_cast<double>(manifest->indexBytes()) / (1024.0 * 1024.0),
                        static_cast<double>(manifest->indexBytes()) / static_cast<double>(manifest->indexedFiles()));
            return true;
        });
        report("reading Manifest.db into it", index);
        indexed = index.ok;
    }
    if (keep)
        std::printf("\nkept in %s\n", work.c_str());
    else
        fs::remove_all(work);
    return fromHome.ok && fromPlain.ok && fromEncrypted.ok && indexed ? 0 : 1;
}
