#include "platform/PrivateFolder.h"
#include "platform/PropertyList.h"
#include "sample-home/BackupBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace varnholt;
namespace fs = std::filesystem;

TEST(PropertyList, ReadsXmlAndBinaryListsAndRefusesTheRest)
{
    const auto xml = PropertyList::parse("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Device Name</key>"
                                         "<string>Ada's iPhone</string><key>IsEncrypted</key><false/><key>Date</key>"
                                         "<date>2024-05-01T12:51:30Z</date></dict></plist>");
    ASSERT_TRUE(xml);
    EXPECT_EQ(xml->root()["Device Name"].text(), "Ada's iPhone");
    EXPECT_EQ(xml->root()["IsEncrypted"].boolean(), false);
    EXPECT_EQ(xml->root()["Date"].date(), 1714567890.0);
    // Asking for the wrong type, or a missing key, gives nothing rather than a crash.
    EXPECT_EQ(xml->root()["Device Name"].integer(), std::nullopt);
    EXPECT_EQ(xml->root()["Missing"]["Deeper"].text(), std::nullopt);
    EXPECT_FALSE(xml->root().at(3).isValid());

    // The keyed archive of a backup's file record: the path is a reference into $objects.
    auto archive = PropertyList::parse(sample::makeMBFileArchive("Library/SMS/sms.db", 4096, 0100644, 1));
    ASSERT_TRUE(archive);
    const PropertyList::Node objects = archive->root()["$objects"];
    const PropertyList::Node record = objects.at(*archive->root()["$top"]["root"].uid());
    EXPECT_EQ(record["Size"].integer(), 4096);
    EXPECT_EQ(objects.at(*record["RelativePath"].uid()).text(), "Library/SMS/sms.db");

    EXPECT_FALSE(PropertyList::parse(""));
    EXPECT_FALSE(PropertyList::parse("bplist00 but nothing after"));
    EXPECT_FALSE(PropertyList::parse("\x00\x01\x02 no list"));

    PropertyList moved = std::move(*archive);
    PropertyList assigned;
    assigned = std::move(moved);
    EXPECT_EQ(assigned.root()["$archiver"].text(), "NSKeyedArchiver");
    EXPECT_FALSE(moved.root().isValid());
}

TEST(PrivateFolder, IsOnlyItsOwnersAndGoesWithEverythingInItOnMoveAndEnd)
{
    test::TempDir dir;
    fs::path first;
    {
        auto folder = PrivateFolder::create(dir.path(), ".private-");
        ASSERT_TRUE(folder);
        first = folder->path();
        struct stat status {};
        ASSERT_EQ(::stat(first.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0700u);
        fs::create_directories(first / "a/b");
        fs::create_symlink("/etc/hostname", first / "a/b/link");

        PrivateFolder moved(std::move(*folder));
        EXPECT_EQ(moved.path(), first);
        auto second = PrivateFolder::create(dir.path(), ".private-");
        ASSERT_TRUE(second);
        const fs::path secondPath = second->path();
        moved = std::move(*second); // the first goes now
        EXPECT_FALSE(fs::exists(first));
        EXPECT_TRUE(fs::exists(secondPath));
        first = secondPath;
    }
    EXPECT_FALSE(fs::exists(first));
    EXPECT_TRUE(fs::exists("/etc/hostname"));
    EXPECT_FALSE(PrivateFolder::create(dir / "missing", ".private-"));
}
