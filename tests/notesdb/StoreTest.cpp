#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Statement.h"
#include "sample-home/NoteBodyEncoder.h"
#include "sample-home/NoteStoreBuilder.h"
#include "sample-home/SampleFiles.h"
#include "sources/MacHomeSource.h"
#include "sources/notes/NoteStoreReader.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

using namespace varnholt;
using namespace varnholt::notesdb;
namespace fs = std::filesystem;

namespace {
// A modern store with `count` notes in one folder; returns its path.
fs::path modernStore(const fs::path& folder, int count, const std::set<std::string>& omitted = {})
{
    sample::NoteStoreBuilder store(folder / "NoteStore.sqlite", omitted);
    const auto account = store.addAccount("iCloud", "ACCOUNT-1");
    const auto notes = store.addFolder("Notes", account, "DefaultFolder");
    store.beginTransaction();
    for (int i = 0; i < count; ++i) {
        sample::SampleNote note;
        note.title = "Note " + std::to_string(i);
        note.body = sample::compressedPlainBody(*note.title, "body " + std::to_string(i));
        note.created = i == 0 ? 0 : 700000000 + i;
        note.modified = 700000000 + i;
        note.passwordProtected = i == 1;
        note.folder = notes;
        note.account = account;
        const auto id = store.addNote(note);
        if (i == 2)
            store.addAttachment(id, "public.png", "ATT-1", "MEDIA-1", "pic.png");
    }
    store.commit();
    store.finish();
    return folder / "NoteStore.sqlite";
}

DatabaseSnapshot open(const fs::path& store, const fs::path& scratchFolder)
{
    return NoteStoreReader::openStore(store.string(), scratchFolder);
}
} // namespace

TEST(NoteStoreAccess, ProbeAndPaths)
{
    test::TempDir home;
    std::vector<std::string> probed;
    auto probe = [&](const std::string& path) {
        probed.push_back(path);
        return false;
    };
    EXPECT_TRUE(NoteStoreReader::checkFullDiskAccess(MacHomeSource(home.str()), probe)) << "nothing to probe";
    sample::writeSampleFile(MacHomeSource(home.str()).notesStore(), "x");
    EXPECT_FALSE(NoteStoreReader::checkFullDiskAccess(MacHomeSource(home.str()), probe));
    sample::writeSampleFile(home / "Library/Messages/chat.db", "x");
    EXPECT_FALSE(NoteStoreReader::checkFullDiskAccess(MacHomeSource(home.str()), probe));
    EXPECT_EQ(probed, (std::vector<std::string>{MacHomeSource(home.str()).notesStore(),
                                                home.str() + "/Library/Messages/chat.db"}));
}

TEST(NoteStoreReader, ModernQueryTakesOnlyNoteRowsWithTheirDatesAndNames)
{
    test::TempDir dir;
    {
        // A lock the note row itself names marks it too.
        auto db = Database::open(modernStore(dir.path(), 3).string(), Database::Mode::ReadWriteCreate);
        ASSERT_TRUE(db && db->exec("UPDATE ZICCLOUDSYNCINGOBJECT SET ZLOCKEDNOTESMODE = 2 WHERE ZTITLE1 = 'Note 0'"));
    }
    const DatabaseSnapshot opened = open(dir / "NoteStore.sqlite", dir.path());
    test::TraceCapture trace;
    NoteStoreReader reader(opened.database(), dir.str());
    const SchemaInfo schema = reader.detectSchema();
    EXPECT_TRUE(schema.isModernSchema);
    const auto notes = reader.queryNotes(schema);
    ASSERT_EQ(notes.size(), 3u) << "account, folder, attachment and media rows are no notes";
    EXPECT_EQ(notes[0].title, "Note 2"); // newest modification first
    EXPECT_EQ(notes[2].created, std::nullopt) << "a creation date of 0 is no date";
    EXPECT_DOUBLE_EQ(*notes[0].modified, 700000002 + 978307200.0);
    EXPECT_TRUE(notes[1].isLocked && notes[2].isLocked);
    EXPECT_EQ(notes[1].bodyHTML, std::nullopt);
    EXPECT_EQ(notes[1].lock, LockKind::unknown) << "no salt, no archive, no account setting";
    EXPECT_EQ(notes[0].bodyHTML, "Note 2\nbody 2");
    EXPECT_EQ(notes[0].folderName, "Notes");
    EXPECT_EQ(notes[0].accountName, "iCloud");
    ASSERT_EQ(notes[0].attachments.size(), 1u);
    EXPECT_EQ(notes[0].attachments[0].filename, "pic.png");
    EXPECT_EQ(notes[0].attachments[0].directory, std::nullopt) << "the file is not on disk";
    EXPECT_TRUE(notes[2].attachments.empty());
    EXPECT_TRUE(trace.contains("[FastDB] Total notes to process: 3"));

    // macOS 12 has no ZLOCKEDNOTESMODE; the oldest stores have no ZISPINNED or ZFOLDER either.
    test::TempDir older;
    const DatabaseSnapshot old = open(
        modernStore(older.path(), 3, {"ZLOCKEDNOTESMODE", "ZISPINNED", "ZFOLDER", "ZCREATIONDATE3"}), older.path());
    NoteStoreReader oldReader(old.database(), older.str());
    const auto oldNotes = oldReader.queryNotes(oldReader.detectSchema());
    ASSERT_EQ(oldNotes.size(), 3u);
    EXPECT_TRUE(oldNotes[1].isLocked) << "ZISPASSWORDPROTECTED alone marks the lock";
    EXPECT_EQ(oldNotes[0].folderName, std::nullopt);
    EXPECT_EQ(oldNotes[0].accountName, "iCloud") << "the note's own account column stands in for the folder's owner";
}

TEST(NoteStoreReader, ProgressAndAttachmentsForManyNotes)
{
    test::TempDir dir;
    const fs::path store = dir / "NoteStore.sqlite";
    {
        sample::NoteStoreBuilder builder(store);
        builder.beginTransaction();
        for (int i = 0; i < 1230; ++i) {
            sample::SampleNote note;
            note.title = "n";
            note.modified = 1000 + i;
            const auto id = builder.addNote(note);
            builder.addAttachment(id, "public.jpeg", "A" + std::to_string(i));
        }
        builder.commit();
        builder.finish();
    }
    const DatabaseSnapshot opened = open(store, dir.path());
    std::vector<std::string> messages;
    NoteStoreReader reader(opened.database(), dir.str(), [&](double, const std::string& m) { messages.push_back(m); });
    const auto notes = reader.queryNotes(reader.detectSchema());
    ASSERT_EQ(notes.size(), 1230u);
    for (const Note& note : notes)
        ASSERT_EQ(note.attachments.size(), 1u) << "ids beyond one statement's parameters still find attachments";
    auto count = [&](const std::string& prefix) {
        return std::count_if(messages.begin(), messages.end(), [&](auto& m) { return m.rfind(prefix, 0) == 0; });
    };
    EXPECT_EQ(count("Reading note "), 12);
    EXPECT_EQ(count("Processing note "), 25);
    EXPECT_EQ(messages.back(), "Processing note 1230 of 1230...");
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Reading note 1200 of 1230..."), messages.end());

    // The legacy statement lists its ids: more than one statement's worth still find every attachment.
    std::vector<sample::LegacyNote> legacyNotes;
    std::vector<sample::LegacyAttachment> legacyAttachments;
    for (std::int64_t id = 1; id <= 1100; ++id) {
        legacyNotes.push_back({id, "n", "", std::nullopt, 1, static_cast<double>(id)});
        legacyAttachments.push_back({id, "f.jpg", id, "public.jpeg", "X"});
    }
    sample::buildLegacyNoteStore(dir / "legacy/NoteStore.sqlite", legacyNotes, legacyAttachments);
    const DatabaseSnapshot legacy = open(dir / "legacy/NoteStore.sqlite", dir.path());
    NoteStoreReader legacyReader(legacy.database(), dir.str());
    const auto oldNotes = legacyReader.queryNotes(legacyReader.detectSchema());
    ASSERT_EQ(oldNotes.size(), 1100u);
    for (const Note& note : oldNotes)
        ASSERT_EQ(note.attachments.size(), 1u);
}

TEST(NoteStoreReader, LegacyLayoutUsesItsOwnStatements)
{
    test::TempDir dir;
    const fs::path store = dir / "NoteStore.sqlite";
    sample::buildLegacyNoteStore(store,
                                 {{1, "Old one", "s", sample::compressedPlainBody("Old one", "ancient"), 100, 200},
                                  {2, std::nullopt, "", std::nullopt, 0, 300, true, true, true}},
                                 {{1, "scan.pdf", 42, "com.adobe.pdf", "X"}});
    const DatabaseSnapshot opened = open(store, dir.path());
    NoteStoreReader reader(opened.database(), dir.str());
    const SchemaInfo schema = reader.detectSchema();
    EXPECT_FALSE(schema.isModernSchema);
    EXPECT_EQ(schema.notesTable, "ZNOTE");
    const auto notes = reader.queryNotes(schema);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_TRUE(notes[0].isLocked && notes[0].isDeleted && notes[0].isPinned);
    EXPECT_EQ(notes[1].bodyHTML, "Old one\nancient");
    ASSERT_EQ(notes[1].attachments.size(), 1u);
    EXPECT_EQ(notes[1].attachments[0].directory, "42");
    EXPECT_EQ(notes[1].attachments[0].typeUTI, "com.adobe.pdf");
}
