// Messages export benchmark, on two generated homes: the benchmark home (1,000,000 messages
// in 5,000 conversations, 10 % with their text only in attributedBody, 3 % with an attachment,
// 5 % followed by a reaction to them, 1 % edited)
// and one conversation of 300,000 messages. For each it times, each in a child process so that
// its peak memory is its own:
//
//   - Varnholt's export (JSON + HTML + TXT per conversation, and the attachment files);
//   - plain_export.py beside this file: the same rows into the same three files in plain
//     Python 3 (sqlite3 + json; it copies no attachments);
//   - the one-pass floor: the statements the export runs (the conversations, then each
//     conversation's message ids and their messages a batch at a time, then the attachments of
//     each message that has them), stepped
//     once with every column value read, and the export's files written again with the same
//     sizes in filler bytes, attachment files included. That is reading and writing without
//     decoding bodies, formatting dates or escaping anything: what no export can avoid.
//
//   bench_messages [--home DIR] [--messages N] [--conversations N]
//                  [--one-home DIR] [--big-conversation N] [--no-python] [--keep]
//
// --home and --one-home reuse homes kept by an earlier run (--keep); --big-conversation 0 leaves the
// second home out.

#include "ChildRun.h"
#include "export/messages/MessagesExporter.h"
#include "platform/Database.h"
#include "platform/Statement.h"
#include "platform/Trace.h"
#include "sample-home/MessagesSample.h"
#include "sources/MacHomeSource.h"
#include "sources/messages/MessagesDatabase.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using namespace varnholt;

namespace {
using bench::inChild;
using bench::program;
using bench::Run;

using Tree = std::vector<std::pair<fs::path, std::uintmax_t>>; // relative path, size

Tree filesOf(const fs::path& folder)
{
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            tree.emplace_back(fs::relative(entry.path(), folder), entry.file_size());
    std::sort(tree.begin(), tree.end());
    return tree;
}

bool stepAll(Statement& statement, size_t& bytes)
{
    Statement::Step step;
    while ((step = statement.step()) == Statement::Step::Row)
        for (int column = 0; column < statement.columnCount(); ++column)
            bytes += statement.columnBlob(column).size();
    return step == Statement::Step::Done;
}

// The floor (see the top of this file).
bool onePassFloor(const fs::path& home, const Tree& exported, const fs::path& out)
{
    auto db = Database::open(sample::messagesDatabasePath(home).string(), Database::Mode::ReadOnly);
    if (!db)
        return false;
    auto chats = db->prepare(MessagesDatabase::kChatsSql);
    auto keys = db->prepare(MessagesDatabase::kMessageKeysSql);
    auto messages = db->prepare(MessagesDatabase::messagesByIdSql());
    auto attachments = db->prepare(MessagesDatabase::kAttachmentsSql);
    if (!chats || !keys || !messages || !attachments)
        return false;
    size_t bytes = 0;
    std::vector<std::int64_t> ids;
    auto readBatch = [&]() {
        messages->reset();
        for (size_t i = 0; i < MessagesDatabase::kMessageBatch; ++i) {
            if (i < ids.size())
                messages->bindInt64(static_cast<int>(i + 1), ids[i]);
            else
                messages->bindNull(static_cast<int>(i + 1));
        }
        while (messages->step() == Statement::Step::Row) {
            for (int column = 0; column < messages->columnCount(); ++column)
                bytes += messages->columnBlob(column).size();
            if (messages->columnInt64(7) == 1) {
                attachments->reset();
                attachments->bindInt64(1, messages->columnInt64(0));
                if (!stepAll(*attachments, bytes))
                    return false;
            }
        }
        ids.clear();
        return true;
    };
    while (chats->step() == Statement::Step::Row) {
        bytes += chats->columnBlob(1).size() + chats->columnBlob(2).size() + chats->columnBlob(3).size() +
                 chats->columnBlob(4).size();
        keys->reset();
        keys->bindInt64(1, chats->columnInt64(0));
        keys->bindInt64(2, DateWindow{}.from);
        keys->bindInt64(3, DateWindow{}.until);
        while (keys->step() == Statement::Step::Row) {
            ids.push_back(keys->columnInt64(0));
            if (ids.size() == MessagesDatabase::kMessageBatch && !readBatch())
                return false;
        }
        if (!ids.empty() && !readBatch())
            return false;
    }
    const std::string filler(64 * 1024, 'x');
    for (const auto& [path, size] : exported) {
        fs::create_directories((out / path).parent_path());
        FILE* file = std::fopen((out / path).c_str(), "wb");
        if (!file)
            return false;
        for (std::uintmax_t left = size; left > 0;) {
            const size_t piece = static_cast<size_t>(std::min<std::uintmax_t>(left, filler.size()));
            std::fwrite(filler.data(), 1, piece, file);
            left -= piece;
        }
        std::fclose(file);
    }
    std::printf("  floor read %zu bytes of values\n", bytes);
    return true;
}

double megabytes(long kilobytes)
{
    return static_cast<double>(kilobytes) / 1024.0;
}

// Times the three runs on one home and prints the figures; false when a run failed.
bool measure(const std::string& title, const fs::path& home, const fs::path& work, bool python)
{
    std::printf("\n== %s (chat.db %.1f MB)\n", title.c_str(),
                static_cast<double>(fs::file_size(sample::messagesDatabasePath(home))) / 1e6);
    const fs::path out = work / "varnholt";
    const Run varnholt = inChild([&] {
        Trace::setSink([](std::string_view) {});
        MessagesExporter exporter(MacHomeSource::make(home.string()));
        exporter.exportMessages(out.string());
        if (exporter.lastExportError()())
            std::printf("  export failed: %s\n", exporter.lastExportError()()->c_str());
        std::printf("  %s\n", exporter.currentStatus()().c_str());
        return !exporter.lastExportError()();
    });
    if (!varnholt.ok)
        return false;
    const Tree exported = filesOf(out);
    std::uintmax_t exportedBytes = 0;
    for (const auto& file : exported)
        exportedBytes += file.second;
    std::printf("  exported %zu files, %.1f MB\n", exported.size(), static_cast<double>(exportedBytes) / 1e6);
    fs::remove_all(out);

    const Run floor = inChild([&] { return onePassFloor(home, exported, work / "floor"); });
    fs::remove_all(work / "floor");
    if (!floor.ok)
        return false;

    Run plain;
    if (python) {
        plain = program({"python3", VARNHOLT_BENCH_DIR "/plain_export.py", home.string(), (work / "python").string()});
        fs::remove_all(work / "python");
        if (!plain.ok) {
            std::printf("  plain_export.py failed\n");
            return false;
        }
    }

    std::printf("  seconds: wall (CPU, user + system)\n");
    std::printf("  Varnholt export (JSON + HTML + TXT + attachments): %6.2f s (%6.2f s), peak RSS %.1f MB\n",
                varnholt.seconds, varnholt.cpuSeconds, megabytes(varnholt.peakKilobytes));
    if (python) {
        std::printf("  Python plain export (JSON + HTML + TXT):           %6.2f s (%6.2f s), peak RSS %.1f MB\n",
                    plain.seconds, plain.cpuSeconds, megabytes(plain.peakKilobytes));
        std::printf("  Varnholt is %.1fx faster than Python (CPU %.1fx; target >= 5)\n",
                    plain.seconds / varnholt.seconds, plain.cpuSeconds / varnholt.cpuSeconds);
    }
    std::printf("  one-pass floor (same statements stepped, same files and sizes written): %.2f s (%.2f s)\n",
                floor.seconds, floor.cpuSeconds);
    std::printf("  Varnholt / floor: %.2f (CPU %.2f; target <= 2.0)\n", varnholt.seconds / floor.seconds,
                varnholt.cpuSeconds / floor.cpuSeconds);
    std::printf("  Varnholt peak RSS %.1f MB, target <= 100 MB: %s\n", megabytes(varnholt.peakKilobytes),
                varnholt.peakKilobytes <= 100 * 1024 ? "met" : "NOT met");
    return true;
}

bool build(const fs::path& home, const sample::MessagesVolume& volume)
{
    std::printf("Building a home with %zu messages in %zu conversations...\n", volume.messages, volume.conversations);
    const Run built = inChild([&] {
        sample::SampleOptions options;
        options.scale = sample::Scale::large;
        sample::buildMessages(home, options, volume);
        return true;
    });
    std::printf("  built in %.1f s\n", built.seconds);
    return built.ok;
}
} // namespace

int main(int argc, char** argv)
{
    fs::path home;
    fs::path oneHome;
    bool keep = false;
    bool python = true;
    sample::MessagesVolume volume;
    sample::MessagesVolume one;
    one.conversations = 1;
    one.messages = 300'000;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--home" && i + 1 < argc)
            home = argv[++i];
        else if (arg == "--messages" && i + 1 < argc)
            volume.messages = std::stoul(argv[++i]);
        else if (arg == "--conversations" && i + 1 < argc)
            volume.conversations = std::stoul(argv[++i]);
        else if (arg == "--one-home" && i + 1 < argc)
            oneHome = argv[++i];
        else if (arg == "--big-conversation" && i + 1 < argc)
            one.messages = std::stoul(argv[++i]);
        else if (arg == "--no-python")
            python = false;
        else if (arg == "--keep")
            keep = true;
    }
    const fs::path work = fs::temp_directory_path() / ("varnholt-bench-" + std::to_string(getpid()));
    if (home.empty()) {
        home = work / "home";
        if (!build(home, volume))
            return 1;
    }
    if (oneHome.empty() && one.messages > 0) {
        oneHome = work / "one-conversation";
        if (!build(oneHome, one))
            return 1;
    }

    bool ok = measure("benchmark home", home, work / "runs", python);
    if (one.messages > 0)
        ok = ok && measure("one conversation of " + std::to_string(one.messages) +
                               " messages (and the hand-made "
                               "sample conversations)",
                           oneHome, work / "runs", python);
    if (!keep)
        fs::remove_all(work);
    else
        std::printf("\nhomes kept in %s\n", work.c_str());
    return ok ? 0 : 1;
}
