#include "sources/BackupManifest.h"
#include "platform/Database.h"
#include "platform/Statement.h"
#include "sample-home/BackupBuilder.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace varnholt;
namespace fs = std::filesystem;

namespace {
constexpr const char* kMedia = "MediaDomain";
constexpr const char* kHome = "HomeDomain";
constexpr const char* kAttachments = "Library/SMS/Attachments";

std::vector<std::string> listed(const BackupManifest& manifest, const std::string& domain, const std::string& prefix)
{
    std::vector<std::string> paths;
    auto done = manifest.forEachFile(domain, prefix, [&](const BackupFile& file) {
        EXPECT_EQ(file.domain, domain);
        EXPECT_EQ(file.fileID, backupFileID(domain, file.relativePath)) << file.relativePath;
        paths.push_back(file.relativePath);
    });
    EXPECT_TRUE(done) << done.error().description();
    return paths;
}

// What SQLite itself selects for a prefix, in its own byte order: the answer the index must give.
std::vector<std::string> selected(const fs::path& backup, const std::string& domain, const std::string& prefix)
{
    auto db = Database::open((backup / "Manifest.db").string(), Database::Mode::ReadOnly);
    EXPECT_TRUE(db) << db.error();
    auto rows = db->prepare("SELECT relativePath FROM Files WHERE domain = ?1 AND (?2 = '' OR relativePath = ?2 OR "
                            "substr(relativePath, 1, length(?2) + 1) = ?2 || '/') ORDER BY relativePath");
    EXPECT_TRUE(rows) << rows.error();
    rows->bindText(1, domain);
    rows->bindText(2, prefix);
    std::vector<std::string> paths;
    while (rows->step() == Statement::Step::Row)
        paths.push_back(rows->columnText(0));
    return paths;
}
} // namespace

// The index answers as the manifest's own table would: a prefix gives itself and what lies below it,
// not its neighbours whose names only begin the same, in SQLite's byte order (bytes above 0x7F
// after ASCII), each domain apart; and a file's record says what the backup wrote for it.
TEST(BackupManifest, FindsAndListsFilesAsTheManifestTableDoesAndReadsARecordOnlyWhenAsked)
{
    test::TempDir dir;
    const fs::path backup = dir / "backup";
    sample::BackupBuilder builder(backup);
    const std::string attachments = kAttachments;
    for (const std::string& path :
         {attachments + "/ab/00/z.jpg", attachments + "/ab/00/\xC3\xA9t\xC3\xA9.jpg", attachments + "/0a/%_x.heic",
          attachments + " 2/other.jpg", attachments + ".old/other.jpg", attachments + "-x/other.jpg",
          attachments + "0/other.jpg", std::string("Library/SMS/Attachment/other.jpg"), std::string("Media/a.m4a")})
        builder.addBytes(kMedia, path, "bytes of " + path);
    // The same path in another domain is another file.
    builder.addBytes(kHome, attachments + "/ab/00/z.jpg", "home's");
    builder.finish();

    auto manifest = BackupManifest::open(backup, dir / "scratch");
    ASSERT_TRUE(manifest) << manifest.error().description();
    EXPECT_EQ(listed(*manifest, kMedia, attachments), selected(backup, kMedia, attachments));
    EXPECT_EQ(listed(*manifest, kMedia, attachments + "/ab/00"), selected(backup, kMedia, attachments + "/ab/00"));
    EXPECT_EQ(listed(*manifest, kMedia, ""), selected(backup, kMedia, ""));
    EXPECT_EQ(listed(*manifest, kHome, ""), selected(backup, kHome, ""));
    const std::vector<std::string> below = listed(*manifest, kMedia, attachments);
    ASSERT_FALSE(below.empty());
    EXPECT_EQ(below.front(), attachments);
    EXPECT_EQ(below.back(), attachments + "/ab/00/\xC3\xA9t\xC3\xA9.jpg"); // after "z.jpg"
    EXPECT_EQ(listed(*manifest, kMedia, "Library/SMS/Attachments/none"), std::vector<std::string>{});
    EXPECT_EQ(listed(*manifest, "NoSuchDomain", ""), std::vector<std::string>{});

    const std::optional<BackupFile> picture = manifest->find(kMedia, attachments + "/ab/00/\xC3\xA9t\xC3\xA9.jpg");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->kind, BackupFile::Kind::file);
    EXPECT_EQ(manifest->storedPath(*picture), builder.storedPath(kMedia, picture->relativePath));
    const auto record = manifest->record(*picture);
    ASSERT_TRUE(record) << record.error().description();
    EXPECT_EQ(record->size, ("bytes of " + picture->relativePath).size());
    EXPECT_EQ(record->mode, 0100644u);
    EXPECT_EQ(record->modified, static_cast<double>(sample::BackupDevice().lastBackup));
    EXPECT_EQ(record->encryptionKey, "");
    EXPECT_EQ(manifest->find(kMedia, attachments + "/ab")->kind, BackupFile::Kind::folder);
    EXPECT_NE(manifest->find(kHome, attachments + "/ab/00/z.jpg")->fileID,
              manifest->find(kMedia, attachments + "/ab/00/z.jpg")->fileID);
    EXPECT_FALSE(manifest->find(kMedia, attachments + "/ab/00/Z.jpg"));
    EXPECT_FALSE(manifest->find(kMedia, attachments + "/ab/00/"));

    // Opened for some domains, the index holds those alone.
    auto homeOnly = BackupManifest::open(backup, dir / "scratch", std::nullopt, std::vector<std::string>{kHome});
    ASSERT_TRUE(homeOnly) << homeOnly.error().description();
    EXPECT_TRUE(homeOnly->find(kHome, attachments + "/ab/00/z.jpg"));
    EXPECT_FALSE(homeOnly->find(kMedia, attachments + "/ab/00/z.jpg"));
    EXPECT_EQ(homeOnly->indexedFiles(), selected(backup, kHome, "").size());
    EXPECT_LT(homeOnly->indexBytes(), manifest->indexBytes());
}

// A row the index cannot trust fails where it is used, naming the file: a malformed fileID when
// its folder is listed, a record that is no keyed archive when it is read. The rest still answers.
TEST(BackupManifest, ADamagedRowFailsOnlyWhereItIsUsedAndNamesTheFile)
{
    test::TempDir dir;
    const fs::path backup = dir / "backup";
    sample::BackupBuilder builder(backup);
    builder.addBytes(kMedia, "Library/SMS/Attachments/aa/x.jpg", "x");
    builder.addBytes(kMedia, "Library/SMS/Attachments/bb/y.jpg", "y");
    builder.addBytes(kMedia, "Media/Recordings/r.m4a", "r");
    builder.finish();
    {
        auto db = Database::open((backup / "Manifest.db").string(), Database::Mode::ReadWriteCreate);
        ASSERT_TRUE(db) << db.error();
        ASSERT_TRUE(db->exec("UPDATE Files SET fileID = '../../escaped' WHERE relativePath LIKE '%/aa/x.jpg'; "
                             "UPDATE Files SET file = x'62706c697374' WHERE relativePath LIKE '%/bb/y.jpg'"));
    }
    auto manifest = BackupManifest::open(backup, dir / "scratch");
    ASSERT_TRUE(manifest) << manifest.error().description();

    auto listing = manifest->forEachFile(kMedia, "Library/SMS/Attachments", [](const BackupFile&) {});
    ASSERT_FALSE(listing);
    EXPECT_NE(listing.error().description().find("MediaDomain Library/SMS/Attachments/aa/x.jpg in Manifest.db has a "
                                                 "malformed fileID"),
              std::string::npos)
        << listing.error().description();
    EXPECT_FALSE(manifest->find(kMedia, "Library/SMS/Attachments/aa/x.jpg"));

    const std::optional<BackupFile> damaged = manifest->find(kMedia, "Library/SMS/Attachments/bb/y.jpg");
    ASSERT_TRUE(damaged);
    const auto record = manifest->record(*damaged);
    ASSERT_FALSE(record);
    EXPECT_NE(record.error().description().find("MediaDomain Library/SMS/Attachments/bb/y.jpg in Manifest.db is not a "
                                                "keyed archive"),
              std::string::npos)
        << record.error().description();

    EXPECT_EQ(listed(*manifest, kMedia, "Media/Recordings"),
              (std::vector<std::string>{"Media/Recordings", "Media/Recordings/r.m4a"}));
    const auto recording = manifest->record(*manifest->find(kMedia, "Media/Recordings/r.m4a"));
    ASSERT_TRUE(recording) << recording.error().description();
    EXPECT_EQ(recording->size, 1u);
}

// A phone's paths fill many of the index's blocks: each path, wherever its block ends, is found
// whole under its own file id, and a folder lists exactly its files in byte order.
TEST(BackupManifest, TheIndexKeepsEveryPathWholeAcrossItsBlocks)
{
    backup::ManifestIndex index;
    std::vector<std::string> paths;
    for (int i = 0; i < 40'000; ++i) // about 4 MiB of paths, in an order that is not the sorted one
        paths.push_back("Library/Caches/" + std::to_string((i * 7919) % 40'000) + "/" + std::string(i % 150, 'x'));
    for (const std::string& path : paths)
        ASSERT_TRUE(index.add(backupFileID(kMedia, path), kMedia, path, 1));
    ASSERT_TRUE(index.add(std::string(40, 'z'), kHome, "Library/Caches/1/", 1));
    index.finish();
    EXPECT_EQ(index.size(), paths.size() + 1);
    EXPECT_GT(index.bytes(), 4'000'000u);
    for (const std::string& path : paths) {
        const std::optional<backup::ManifestIndex::Entry> entry = index.find(kMedia, path);
        ASSERT_TRUE(entry) << path;
        ASSERT_EQ(entry->relativePath, path);
        ASSERT_EQ(entry->fileID, backupFileID(kMedia, path));
    }
    // A file id that is no 40 hex digits is kept, and told apart.
    EXPECT_EQ(index.find(kHome, "Library/Caches/1/")->fileID, "");

    std::vector<std::string> below;
    index.forEach(kMedia, "Library/Caches/1",
                  [&](const backup::ManifestIndex::Entry& entry) { below.emplace_back(entry.relativePath); });
    std::vector<std::string> expected;
    for (const std::string& path : paths)
        if (path.starts_with("Library/Caches/1/"))
            expected.push_back(path);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(below, expected);
}
