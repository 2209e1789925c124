// Source databases are read where they lie, changes still in their log included, and nothing in
// their folder is created, changed or touched, whatever state the app left them in or is writing
// them in. Only where reading in place fails is a copy made, below the output folder, and only
// with room for it; the copy of a database its app is writing is a state it really was in.

#include "sources/DatabaseSnapshot.h"
#include "export/messages/MessagesExporter.h"
#include "live/LiveWriter.h"
#include "platform/ByteCount.h"
#include "platform/Database.h"
#include "platform/DatabaseFileCopy.h"
#include "platform/Files.h"
#include "platform/Statement.h"
#include "sample-home/MessagesSample.h"
#include "sample-home/NotesSample.h"
#include "sample-home/SampleHome.h"
#include "sample-home/WriteAheadLogSample.h"
#include "sources/MacHomeSource.h"
#include "support/ExportRun.h"
#include "support/FileTree.h"
#include "support/RealData.h"
#include "support/ScopedEnvironment.h"
#include "support/SmallDisk.h"
#include "support/SourceFingerprint.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <iostream>
#include <optional>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

namespace {
using Access = DatabaseSnapshot::Access;
constexpr int kRows = 100;

Database openDatabase(const fs::path& path, Database::Mode mode)
{
    auto db = Database::open(path.string(), mode);
    EXPECT_TRUE(db.has_value()) << (db ? "" : db.error());
    return db ? std::move(*db) : Database();
}

void exec(const Database& db, const std::string& sql)
{
    ASSERT_TRUE(db.exec(sql).has_value()) << db.errorMessage();
}

std::int64_t scalar(const Database& db, const std::string& sql)
{
    auto statement = db.prepare(sql);
    if (!statement || statement->step() != Statement::Step::Row)
        return -1;
    return statement->columnInt64(0);
}

std::int64_t rowsIn(const Database& db)
{
    return scalar(db, "SELECT COUNT(*) FROM t");
}

// A WAL database whose rows are all still in the log, held open as a running app holds it.
Database appWithRowsInLog(const fs::path& path)
{
    Database db = openDatabase(path, Database::Mode::ReadWriteCreate);
    exec(db, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; CREATE TABLE t (x INTEGER);");
    exec(db, "PRAGMA wal_checkpoint(TRUNCATE);");
    for (int i = 1; i <= kRows; ++i)
        exec(db, "INSERT INTO t VALUES (" + std::to_string(i) + ")");
    return db;
}

// The same, left as an app that quit without folding its log leaves it: main file, -wal and -shm.
fs::path closedAppWithRowsInLog(const fs::path& folder)
{
    fs::create_directories(folder);
    const fs::path path = folder / "chat.db";
    Database app = appWithRowsInLog(path);
    sample::closeKeepingWriteAheadLog(app, path);
    return path;
}

fs::path withSuffix(const fs::path& path, const char* suffix)
{
    fs::path result = path;
    result += suffix;
    return result;
}

std::string changesIn(const TreeFingerprint& before, const fs::path& folder)
{
    return describeDifferences(before, fingerprintTree(folder));
}

// Every file system entry below `folder`, in bytes (absent folders hold none).
std::uintmax_t bytesBelow(const fs::path& folder)
{
    std::uintmax_t total = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_regular_file(ec))
            total += it->file_size(ec);
    return total;
}

void makeReadOnly(const fs::path& folder)
{
    for (const auto& entry : fs::directory_iterator(folder))
        ::chmod(entry.path().c_str(), 0444);
    ::chmod(folder.c_str(), 0555);
}

DatabaseSnapshot::Options copyOnly()
{
    DatabaseSnapshot::Options options;
    options.attempt = DatabaseSnapshot::Attempt::copyOnly;
    return options;
}

// A process that has the database open as an app has: it holds the -shm's "in use" lock.
class AppHoldingIndex {
public:
    explicit AppHoldingIndex(const fs::path& index)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            const int fd = ::open(index.c_str(), O_RDONLY);
            struct flock lock {};
            lock.l_type = F_RDLCK;
            lock.l_whence = SEEK_SET;
            lock.l_start = 128; // SQLite's DMS byte: someone is using the index
            lock.l_len = 1;
            const char result = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0 ? 'y' : 'n';
            (void)!::write(ready[1], &result, 1);
            ::pause();
            _exit(0);
        }
        char result = 'n';
        (void)!::read(ready[0], &result, 1);
        ::close(ready[0]);
        ::close(ready[1]);
        EXPECT_EQ(result, 'y') << "the lock on the index";
    }
    ~AppHoldingIndex()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    AppHoldingIndex(const AppHoldingIndex&) = delete;
    AppHoldingIndex& operator=(const AppHoldingIndex&) = delete;

private:
    pid_t m_pid = -1;
};

} // namespace

TEST(DatabaseSnapshot, EveryStateOfTheLogIsReadInPlaceWithoutTouchingTheFolder)
{
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> leave; // turns the closed app's files into the case
        Access access;
        int rows;
    };
    const std::vector<Case> cases{
        {"log and index", [](const fs::path&) {}, Access::sharedIndex, kRows},
        {"log without index", [](const fs::path& db) { fs::remove(withSuffix(db, "-shm")); }, Access::privateIndex,
         kRows},
        {"empty log", [](const fs::path& db) { fs::resize_file(withSuffix(db, "-wal"), 0); }, Access::immutable, 0},
        {"no log",
         [](const fs::path& db) {
             for (const char* suffix : {"", "-wal", "-shm"})
                 fs::remove(withSuffix(db, suffix));
             Database app = appWithRowsInLog(db); // closing it normally folds the log and removes it
         },
         Access::immutable, kRows},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path db = closedAppWithRowsInLog(dir / "source");
        c.leave(db);
        const TreeFingerprint before = fingerprintTree(dir / "source");
        {
            auto snapshot = DatabaseSnapshot::open(db, dir / "out");
            ASSERT_TRUE(snapshot) << snapshot.error().description();
            EXPECT_EQ(snapshot->access(), c.access);
            EXPECT_EQ(rowsIn(snapshot->database()), c.rows);
            EXPECT_FALSE(snapshot->database().exec("INSERT INTO t VALUES (0)")) << "the connection is read-only";
        }
        EXPECT_EQ(changesIn(before, dir / "source"), "");
        EXPECT_FALSE(fs::exists(dir / "out")) << "reading in place writes nothing at the output";
    }
}

TEST(DatabaseSnapshot, AReadOnlyFolderIsReadByAUserWhoCannotWriteThere)
{
    if (!canTestPermissions())
        GTEST_SKIP() << "cannot drop root's privileges here";
    enum class Index { readable, absent, unreadable };
    for (const Index index : {Index::readable, Index::absent, Index::unreadable}) {
        SCOPED_TRACE(static_cast<int>(index));
        TempDir dir;
        const fs::path db = closedAppWithRowsInLog(dir / "source");
        if (index == Index::absent)
            fs::remove(withSuffix(db, "-shm"));
        makeReadOnly(dir / "source");
        if (index == Index::unreadable)
            ::chmod(withSuffix(db, "-shm").c_str(), 0);
        const TreeFingerprint before = fingerprintTree(dir / "source");
        const int result = runUnprivileged([&] {
            auto snapshot = DatabaseSnapshot::open(db, {});
            if (!snapshot)
                return 1;
            if (snapshot->access() != (index == Index::readable ? Access::sharedIndex : Access::privateIndex))
                return 2;
            return rowsIn(snapshot->database()) == kRows ? 0 : 3;
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(changesIn(before, dir / "source"), "");
    }
}

TEST(DatabaseSnapshot, AnAppWritingMeanwhileIsNeitherMissedNorHeldUp)
{
    TempDir dir;
    const fs::path home = dir / "home";
    sample::buildSampleHome(home);
    const fs::path chat = sample::messagesDatabasePath(home);
    LiveWriter writer(chat, sample::notesContainer(home) / "NoteStore.sqlite", 20);
    writer.exportsStart();
    const std::string liveRows = "SELECT COUNT(*) FROM message WHERE text LIKE 'live message %'";
    for (int round = 0; round < 5; ++round) {
        const long long committed = writer.committed();
        // As a user who could not write a byte there even if the reader tried.
        const int result = runUnprivileged([&] {
            auto snapshot = DatabaseSnapshot::open(chat, {});
            if (!snapshot)
                return 1;
            if (snapshot->access() != Access::sharedIndex)
                return 2;
            return scalar(snapshot->database(), liveRows) >= committed ? 0 : 3;
        });
        EXPECT_EQ(result, 0) << "round " << round << ", " << committed << " rows committed before";
    }
    const LiveWriter::Figures figures = writer.stop();
    EXPECT_EQ(figures.failures, 0);
    EXPECT_GT(figures.committed, 20);
}

TEST(DatabaseSnapshot, ACopyIsMadeBelowTheOutputOnlyWithRoomForItAndGoesWithTheSnapshot)
{
    TempDir dir;
    const fs::path db = closedAppWithRowsInLog(dir / "source");
    const TreeFingerprint before = fingerprintTree(dir / "source");
    const fs::path out = dir / "out";
    TraceCapture trace;

    // The dry run writes nothing, so it cannot copy.
    auto dryRun = DatabaseSnapshot::open(db, {}, copyOnly());
    ASSERT_FALSE(dryRun);
    EXPECT_EQ(dryRun.error().kind(), ErrorKind::inputOutput);
    EXPECT_NE(dryRun.error().description().find("a dry run writes nothing"), std::string::npos);

    // Too little room at the output: said in numbers, before anything is written.
    DatabaseSnapshot::Options cramped = copyOnly();
    std::vector<fs::path> probed;
    cramped.freeSpace = [&](const fs::path& folder) -> std::optional<std::uint64_t> {
        probed.push_back(folder);
        return 200'000;
    };
    auto full = DatabaseSnapshot::open(db, out, cramped);
    ASSERT_FALSE(full);
    EXPECT_EQ(full.error().kind(), ErrorKind::diskFull);
    const std::uint64_t needed = fs::file_size(db) + fs::file_size(withSuffix(db, "-wal")) + (1u << 20);
    EXPECT_EQ(full.error().description(),
              "Cannot read \u201c" + db.string() +
                  "\u201d in place (reading in place is turned off), and a private copy of it needs " +
                  formatByteCount(needed) + " free on \u201c" + out.string() +
                  "\u201d, 200 KB are free. Free some space there, or choose an output folder on a disk with more "
                  "room.");
    EXPECT_EQ(probed, std::vector<fs::path>{out});
    EXPECT_FALSE(fs::exists(out));

    fs::path folder;
    {
        auto copied = DatabaseSnapshot::open(db, out, copyOnly());
        ASSERT_TRUE(copied) << copied.error().description();
        EXPECT_EQ(copied->access(), Access::privateCopy);
        folder = copied->privateFolder();
        EXPECT_EQ(folder.parent_path(), out);
        EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
        EXPECT_EQ(rowsIn(copied->database()), kRows) << "the log came along";
        EXPECT_TRUE(trace.contains("[Snapshot] \u26A0\uFE0F Cannot read \u201c" + db.string() +
                                   "\u201d in place (reading in place is turned off); reading a private copy in " +
                                   folder.string() + " instead"));

        DatabaseSnapshot moved(std::move(*copied));
        EXPECT_TRUE(copied->privateFolder().empty());
        EXPECT_EQ(rowsIn(moved.database()), kRows);
        DatabaseSnapshot assigned;
        assigned = std::move(moved);
        EXPECT_TRUE(fs::exists(folder));
        assigned = DatabaseSnapshot();
        EXPECT_FALSE(fs::exists(folder)) << "assigning over a snapshot removes its copy";
    }
    try {
        auto copied = DatabaseSnapshot::open(db, out, copyOnly());
        ASSERT_TRUE(copied);
        folder = copied->privateFolder();
        throw std::runtime_error("a later step fails");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(fs::exists(folder)) << "an exception removes the copy too";
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_EQ(changesIn(before, dir / "source"), "");
}

TEST(DatabaseSnapshot, FailuresSayWhatIsWrongByKind)
{
    TempDir dir;
    const fs::path out = dir / "out";
    auto kindOf = [&](const fs::path& db) {
        auto snapshot = DatabaseSnapshot::open(db, out);
        EXPECT_FALSE(snapshot) << db;
        return snapshot ? ErrorKind::inputOutput : snapshot.error().kind();
    };
    EXPECT_EQ(kindOf(dir / "absent.db"), ErrorKind::notFound);
    fs::create_directories(dir / "folder.db");
    EXPECT_EQ(kindOf(dir / "folder.db"), ErrorKind::damaged);
    ASSERT_TRUE(writeFile(dir / "garbage.db", std::string(8192, 'Z')));
    EXPECT_EQ(kindOf(dir / "garbage.db"), ErrorKind::damaged);
    EXPECT_FALSE(fs::exists(out)) << "a damaged file is not copied";

    if (!canTestPermissions())
        GTEST_SKIP() << "cannot drop root's privileges here";
    const fs::path locked = closedAppWithRowsInLog(dir / "locked");
    const fs::path lockedLog = closedAppWithRowsInLog(dir / "lockedLog");
    ::chmod(locked.c_str(), 0600);
    ::chmod(withSuffix(lockedLog, "-wal").c_str(), 0600);
    for (const fs::path& db : {locked, lockedLog}) {
        SCOPED_TRACE(db);
        EXPECT_EQ(runUnprivileged([&] {
                      auto snapshot = DatabaseSnapshot::open(db, {});
                      return !snapshot && snapshot.error().kind() == ErrorKind::permission ? 0 : 1;
                  }),
                  0);
    }
}

TEST(DatabaseSnapshot, RealDatabasesReadInPlaceAsTheirCopiesRead)
{
    VARNHOLT_REQUIRE_REALDATA(real);
    TempDir dir;
    const TraceCapture quiet;
    int compared = 0;
    for (const char* name :
         {"hackathonrunner_number1/Library/Messages/chat.db", "Eryk589_Bootcamp/Library/Messages/chat.db",
          "Eryk589_Bootcamp/Library/Group Containers/group.com.apple.notes/NoteStore.sqlite",
          "Eryk589_Bootcamp/Library/Application Support/AddressBook/AddressBook-v22.abcddb",
          "MargaretYe_IOS-note/group.com.apple.notes/NoteStore.sqlite"}) {
        if (!fs::exists(real / name))
            continue;
        SCOPED_TRACE(name);
        const fs::path folder = dir / std::to_string(compared++);
        const fs::path db = copyDatabase(real / name, folder);
        ASSERT_TRUE(fs::exists(withSuffix(db, "-wal")) && fs::exists(withSuffix(db, "-shm")));
        // Every table's row count, as the copy (made with the app's consistency rule) gives them.
        auto counts = [](const Database& database) {
            std::string all;
            auto tables = database.prepare("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name");
            while (tables && tables->step() == Statement::Step::Row)
                all += tables->columnText(0) + "=" +
                       std::to_string(scalar(database, "SELECT COUNT(*) FROM \"" + tables->columnText(0) + "\"")) + " ";
            return all;
        };
        auto copied = DatabaseSnapshot::open(db, dir / "out", copyOnly());
        ASSERT_TRUE(copied) << copied.error().description();
        const std::string expected = counts(copied->database());
        copied = DatabaseSnapshot();

        for (const bool withIndex : {true, false}) {
            if (!withIndex)
                fs::remove(withSuffix(db, "-shm"));
            const TreeFingerprint state = fingerprintTree(folder);
            auto inPlace = DatabaseSnapshot::open(db, dir / "out");
            ASSERT_TRUE(inPlace) << inPlace.error().description();
            EXPECT_EQ(inPlace->access(), withIndex ? Access::sharedIndex : Access::privateIndex);
            EXPECT_EQ(counts(inPlace->database()), expected);
            inPlace = DatabaseSnapshot();
            EXPECT_EQ(changesIn(state, folder), "");
        }
    }
    EXPECT_GT(compared, 0);
    EXPECT_TRUE(fs::is_empty(dir / "out"));
}

TEST(DatabaseSnapshot, AnExportWritesNothingOutsideItsFilesAndNeedsNoRoomInTheTemporaryFolder)
{
    TempDir dir;
    const fs::path home = dir / "home";
    // Enough messages that the database outgrows the temporary folder below.
    sample::MessagesVolume volume;
    volume.conversations = 40;
    volume.messages = 8000;
    sample::buildMessages(home, {sample::Scale::large, 1}, volume);
    const fs::path chat = sample::messagesDatabasePath(home);
    const std::uintmax_t databaseBytes = fs::file_size(chat) + fs::file_size(withSuffix(chat, "-wal"));
    ASSERT_GT(databaseBytes, 512u * 1024);

    // A temporary folder too small for a copy, where mounting is allowed; there, what is used counts
    // files already unlinked too.
    const fs::path temporary = dir / "tmp";
    const SmallDisk small(temporary, "512k");
    const bool mounted = small.mounted();
    if (!mounted)
        std::cout << "[ temporary ] " << small.failure() << ": the temporary folder is an ordinary one" << std::endl;
    const ScopedEnvironment pointed("TMPDIR", temporary.string());
    const fs::path out = dir / "out";
    auto writtenOutsideTheExport = [&] {
        std::uintmax_t bytes = bytesBelow(temporary);
        if (struct statvfs status{}; mounted && ::statvfs(temporary.c_str(), &status) == 0)
            bytes = (status.f_blocks - status.f_bfree) * status.f_frsize;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(out / "messages", ec))
            if (entry.path().filename().string().rfind(".varnholt-snapshot-", 0) == 0)
                bytes += bytesBelow(entry.path());
        return bytes;
    };
    const std::uintmax_t baseline = writtenOutsideTheExport();
    const TreeFingerprint before = fingerprintTree(chat.parent_path());

    std::uintmax_t most = 0;
    {
        MessagesExporter exporter(MacHomeSource::make(home.string()));
        // Sampled at every change of status: once per conversation, while the database is open.
        const PropertySubscription sampling = exporter.currentStatus().subscribe(
            [&](const std::string&) { most = std::max(most, writtenOutsideTheExport() - baseline); });
        exporter.exportMessages(out.string());
        ASSERT_FALSE(exporter.lastExportError()()) << *exporter.lastExportError()();
        EXPECT_EQ(exporter.exportedCount()(), static_cast<long long>(volume.conversations) + 11);
    }
    std::cout << "[ temporary ] " << formatByteCount(databaseBytes) << " database: " << most
              << " bytes written outside the export" << std::endl;
    EXPECT_EQ(most, 0u);
    EXPECT_EQ(changesIn(before, chat.parent_path()), "");

    const ExportOutcome outcome = runExport(ExportMethod::messages, home, dir / "out-cli");
    EXPECT_TRUE(outcome.succeeded()) << outcome.messages;
    EXPECT_EQ(writtenOutsideTheExport(), baseline);
}

TEST(DatabaseSnapshot, WhereReadingInPlaceFailsTheExportReadsACopyOrSaysHowMuchRoomItNeeds)
{
    TempDir dir;
    const fs::path home = dir / "home";
    sample::buildMessages(home, {});
    const fs::path chat = sample::messagesDatabasePath(home);
    // An app holds an index SQLite cannot use: reading in place would need to rebuild it.
    fs::resize_file(withSuffix(chat, "-shm"), 0);
    fs::resize_file(withSuffix(chat, "-shm"), 32768);
    const AppHoldingIndex app(withSuffix(chat, "-shm"));
    const TreeFingerprint before = fingerprintTree(chat.parent_path());

    const ExportOutcome copied = runExport(ExportMethod::messages, home, dir / "out");
    EXPECT_TRUE(copied.succeeded()) << copied.messages;
    EXPECT_NE(copied.messages.find(
                  "in place (the index of its write-ahead log (-shm) needs a repair that only the app writing it may "
                  "make); reading a private copy in " +
                  (dir / "out/messages/.varnholt-snapshot-").string()),
              std::string::npos)
        << copied.messages;
    EXPECT_NE(allText(dir / "out").find("D'accord, merci Ren\u00E9e !"), std::string::npos) << "the log came along";
    EXPECT_EQ(entriesBelow(dir / "out", ".varnholt-snapshot-"), std::vector<fs::path>{});
    EXPECT_EQ(changesIn(before, chat.parent_path()), "");

    const fs::path small = dir / "small";
    const SmallDisk disk(small, "64k");
    if (!disk.mounted())
        GTEST_SKIP() << disk.failure() << "; the full disk is not tried";
    const ExportOutcome full = runExport(ExportMethod::messages, home, small);
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.told.find("is full"), std::string::npos) << full.told;
    EXPECT_EQ(full.told.find("Looked for"), std::string::npos) << full.told;
    EXPECT_NE(full.messages.find("free on \u201c" + (small / "messages").string() + "\u201d"), std::string::npos)
        << full.messages;
    EXPECT_EQ(changesIn(before, chat.parent_path()), "");
}

TEST(DatabaseFileCopy, ALogRestartedBetweenTheFilesIsNoticedAndTheCopyTakenAgain)
{
    TempDir dir;
    const fs::path source = dir / "chat.db";
    const Database app = appWithRowsInLog(source);

    int calls = 0;
    auto copied = copyDatabaseFiles(source, dir / "copy.db", [&] {
        // The worst moment: the main file is copied, then the app folds its log into the main
        // file and starts the log anew with one more row.
        if (++calls == 1) {
            exec(app, "PRAGMA wal_checkpoint(RESTART);");
            exec(app, "INSERT INTO t VALUES (101)");
        }
    });
    ASSERT_TRUE(copied.has_value()) << copied.error().description();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(rowsIn(openDatabase(dir / "copy.db", Database::Mode::ReadOnly)), 101); // the first try held row 101 alone

    // A quiet database is copied once, with its log and without its index.
    calls = 0;
    ASSERT_TRUE(copyDatabaseFiles(source, dir / "quiet.db", [&] { ++calls; }).has_value());
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(fs::exists(dir / "quiet.db-wal"));
    EXPECT_FALSE(fs::exists(dir / "quiet.db-shm"));
    EXPECT_EQ(fs::status(dir / "quiet.db").permissions(), fs::perms::owner_read | fs::perms::owner_write);

    auto missing = copyDatabaseFiles(dir / "absent.db", dir / "copy.db");
    ASSERT_FALSE(missing.has_value());
    EXPECT_EQ(missing.error().kind(), ErrorKind::notFound);
    EXPECT_NE(missing.error().description().find("absent.db"), std::string::npos);
}
