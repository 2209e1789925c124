#include "platform/Database.h"
#include "platform/FileDescriptor.h"
#include "platform/Files.h"
#include "platform/OutputFile.h"
#include "platform/Statement.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace varnholt;

namespace {
bool isOpenDescriptor(int fd)
{
    return fcntl(fd, F_GETFD) != -1;
}
} // namespace

TEST(FileDescriptor, MoveTransfersOwnershipAndClosesOnce)
{
    FileDescriptor a(::open("/dev/null", O_RDONLY));
    const int raw = a.get();
    ASSERT_TRUE(isOpenDescriptor(raw));

    FileDescriptor b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), raw);

    FileDescriptor c(::open("/dev/null", O_RDONLY));
    const int other = c.get();
    c = std::move(b);
    EXPECT_FALSE(isOpenDescriptor(other)) << "assignment must close the descriptor it replaces";
    EXPECT_EQ(c.get(), raw);
    {
        FileDescriptor d(std::move(c));
    }
    EXPECT_FALSE(isOpenDescriptor(raw));
}

TEST(OutputFile, MoveKeepsOneOwnerAndAnUncommittedFileIsRemoved)
{
    test::TempDir dir;
    const auto count = [&] { return std::distance(std::filesystem::directory_iterator(dir.path()), {}); };
    auto a = OutputFile::create(dir / "a.txt", OutputFile::Replace::atomically);
    ASSERT_TRUE(a);
    a->write("moved ");
    OutputFile b(std::move(*a));
    b.write("along");
    auto c = OutputFile::create(dir / "c.txt", OutputFile::Replace::inPlace);
    ASSERT_TRUE(c);
    EXPECT_EQ(count(), 2);
    *c = std::move(b); // gives c.txt up
    EXPECT_FALSE(std::filesystem::exists(dir / "c.txt"));
    ASSERT_TRUE(c->commit());
    EXPECT_EQ(*readFile(dir / "a.txt"), "moved along");
    EXPECT_EQ(count(), 1);
    {
        auto abandoned = OutputFile::create(dir / "a.txt", OutputFile::Replace::atomically);
        ASSERT_TRUE(abandoned);
        abandoned->write("never");
    }
    EXPECT_EQ(*readFile(dir / "a.txt"), "moved along") << "a file given up leaves the old one";
    EXPECT_EQ(count(), 1) << "no temporary left behind";
}

TEST(Database, MoveKeepsOneOwnerAndStatementsFinalise)
{
    test::TempDir dir;
    auto created = Database::open((dir / "t.db").string(), Database::Mode::ReadWriteCreate);
    ASSERT_TRUE(created) << created.error();
    ASSERT_TRUE(created->exec("CREATE TABLE t(x); INSERT INTO t VALUES (1), (2);"));

    Database moved(std::move(*created));
    EXPECT_FALSE(created->isOpen());
    ASSERT_TRUE(moved.isOpen());

    auto statement = moved.prepare("SELECT x FROM t ORDER BY x");
    ASSERT_TRUE(statement);
    Statement s(std::move(*statement));
    EXPECT_FALSE(statement->isValid());
    ASSERT_EQ(s.step(), Statement::Step::Row);
    EXPECT_EQ(s.columnInt(0), 1);

    Statement t;
    t = std::move(s);
    EXPECT_FALSE(s.isValid());
    ASSERT_EQ(t.step(), Statement::Step::Row);
    EXPECT_EQ(t.columnInt64(0), 2);
    EXPECT_EQ(t.step(), Statement::Step::Done);

    Database other;
    other = std::move(moved);
    EXPECT_FALSE(moved.isOpen());
    EXPECT_TRUE(other.isOpen());
}

TEST(Database, ReadOnlyOpenRefusesWritesAndReportsMissingFiles)
{
    test::TempDir dir;
    const std::string path = (dir / "t.db").string();
    {
        auto db = Database::open(path, Database::Mode::ReadWriteCreate);
        ASSERT_TRUE(db && db->exec("CREATE TABLE t(x)"));
    }
    auto ro = Database::open(path, Database::Mode::ReadOnly);
    ASSERT_TRUE(ro);
    EXPECT_FALSE(ro->exec("INSERT INTO t VALUES (1)"));

    auto missing = Database::open((dir / "absent.db").string(), Database::Mode::ReadOnly);
    EXPECT_FALSE(missing);
    EXPECT_FALSE(std::filesystem::exists(dir / "absent.db"));

    auto uri = Database::open(sqliteFileUri((dir / "t.db").string(), "mode=ro"), Database::Mode::ReadOnlyUri);
    EXPECT_TRUE(uri) << "URI form must open paths as they are";
    EXPECT_EQ(sqliteFileUri("/a b/#c?.db", "mode=ro"), "file:/a%20b/%23c%3F.db?mode=ro");
}
