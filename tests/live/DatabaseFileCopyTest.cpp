// The copy of a database its app is writing must be a state the database really was in, even
// when the app checkpoints and restarts its log in the middle of the copy.

#include "platform/Database.h"
#include "platform/DatabaseFileCopy.h"
#include "platform/Statement.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

namespace {
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

std::int64_t rowsIn(const fs::path& path)
{
    const Database db = openDatabase(path, Database::Mode::ReadOnly);
    auto count = db.prepare("SELECT COUNT(*) FROM t");
    if (!count || count->step() != Statement::Step::Row)
        return -1;
    return count->columnInt64(0);
}

// A WAL database whose 100 rows are all still in the log, held open as a running app holds it.
Database appWithRowsInLog(const fs::path& path)
{
    Database db = openDatabase(path, Database::Mode::ReadWriteCreate);
    exec(db, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; CREATE TABLE t (x INTEGER);");
    exec(db, "PRAGMA wal_checkpoint(TRUNCATE);");
    for (int i = 1; i <= 100; ++i)
        exec(db, "INSERT INTO t VALUES (" + std::to_string(i) + ")");
    return db;
}
} // namespace

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
    EXPECT_EQ(rowsIn(dir / "copy.db"), 101); // the first try would have held row 101 alone
}

TEST(DatabaseFileCopy, AQuietDatabaseIsCopiedOnceWithItsLogAndWithoutItsIndex)
{
    TempDir dir;
    const fs::path source = dir / "NoteStore.sqlite";
    const Database app = appWithRowsInLog(source);
    ASSERT_TRUE(fs::exists(dir / "NoteStore.sqlite-shm"));

    int calls = 0;
    ASSERT_TRUE(copyDatabaseFiles(source, dir / "copy.sqlite", [&] { ++calls; }).has_value());
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(fs::exists(dir / "copy.sqlite-wal"));
    EXPECT_FALSE(fs::exists(dir / "copy.sqlite-shm"));
    EXPECT_EQ(rowsIn(dir / "copy.sqlite"), 100);
}

TEST(DatabaseFileCopy, AMissingOrUnreadableSourceFailsWithItsPath)
{
    TempDir dir;
    auto missing = copyDatabaseFiles(dir / "absent.db", dir / "copy.db");
    ASSERT_FALSE(missing.has_value());
    EXPECT_NE(missing.error().description().find("absent.db"), std::string::npos);
}
