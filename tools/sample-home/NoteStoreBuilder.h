#pragma once

#include "platform/Database.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace varnholt::sample {

// One note row of a modern store. Dates are seconds since 2001 (Apple's reference date).
struct SampleNote {
    std::optional<std::string> title;
    std::string snippet;
    std::optional<std::string> body; // ZICNOTEDATA.ZDATA as stored (usually gzip)
    double created = 0;
    double modified = 0;
    bool markedForDeletion = false;
    bool pinned = false;
    bool passwordProtected = false;
    std::int64_t folder = 0;
    std::int64_t account = 0;
};

// Writes a NoteStore.sqlite in the modern layout (macOS 15 entity numbers and column names):
// accounts, folders, notes, attachments and media all in ZICCLOUDSYNCINGOBJECT, bodies in
// ZICNOTEDATA. The store is in WAL mode, as the app keeps it. Rows added after
// startWriteAheadPhase() stay in the -wal file of the finished store.
class NoteStoreBuilder {
public:
    // Columns to leave out, to stand for older versions (ZLOCKEDNOTESMODE before macOS 13, ...).
    explicit NoteStoreBuilder(std::filesystem::path storePath, std::set<std::string> omittedColumns = {});
    ~NoteStoreBuilder();
    NoteStoreBuilder(const NoteStoreBuilder&) = delete;
    NoteStoreBuilder& operator=(const NoteStoreBuilder&) = delete;

    std::int64_t addAccount(const std::string& name, const std::string& identifier);
    std::int64_t addFolder(const std::string& title, std::int64_t account, const std::string& identifier,
                           int folderType = 0);
    std::int64_t addNote(const SampleNote& note);
    // An attachment row of a note, with its media row when a file name is given.
    std::int64_t addAttachment(std::int64_t note, const std::string& typeUti, const std::string& identifier,
                               const std::string& mediaIdentifier = {}, const std::string& mediaFilename = {});

    // The stored data of an attachment (a table's mergeable data) in ZMERGEABLEDATA1.
    void setMergeableData(std::int64_t attachment, const std::string& data);

    // A link card's address and page title on its attachment row (ZURLSTRING, ZTITLE).
    void setLinkCard(std::int64_t attachment, const std::string& url, const std::string& title);

    // What Notes keeps to draw an attachment without its file: the generation folders of its
    // fallback image and PDF (empty: none), and the gallery it is a page of (0: none).
    void setRendering(std::int64_t attachment, const std::string& fallbackImageGeneration,
                      const std::string& fallbackPdfGeneration = {}, std::int64_t gallery = 0);
    // A preview image row (ICAttachmentPreviewImage) of an attachment.
    void addPreview(std::int64_t attachment, const std::string& identifier, const std::string& generation, double width,
                    double height, double scale);
    // A hashtag, mention or link to a note (ICInlineAttachment) with the text it shows.
    std::int64_t addInlineAttachment(std::int64_t note, const std::string& typeUti, const std::string& identifier,
                                     const std::string& altText);
    // The account's data row, with its locked-notes setting (1 a password, 2 the device passcode).
    void setLockedNotesMode(std::int64_t account, std::int64_t mode);

    void beginTransaction();
    void commit();
    // Everything so far goes into the main file; what follows stays in the WAL.
    void startWriteAheadPhase();
    // Writes the store (and its -wal/-shm when changes are pending there) to the store path.
    void finish();

private:
    void exec(const std::string& sql);
    std::int64_t insertObject(const std::string& columns, const std::string& values);
    std::string column(const std::string& name) const;

    std::filesystem::path m_storePath;
    std::filesystem::path m_staging;
    std::set<std::string> m_omitted;
    Database m_db;
    bool m_walPhase = false;
    bool m_finished = false;
    std::int64_t m_nextPk = 1;
};

// A store in the legacy layout (ZNOTE, ZNOTEDATA, ZATTACHMENT), small, for tests.
struct LegacyNote {
    std::int64_t id = 0;
    std::optional<std::string> title;
    std::string snippet;
    std::optional<std::string> body;
    double created = 0;
    double modified = 0;
    bool deleted = false;
    bool pinned = false;
    bool locked = false;
};
struct LegacyAttachment {
    std::int64_t note = 0;
    std::string filename;
    std::int64_t media = 0;
    std::string typeUti;
    std::string identifier;
};
void buildLegacyNoteStore(const std::filesystem::path& storePath, const std::vector<LegacyNote>& notes,
                          const std::vector<LegacyAttachment>& attachments = {});

} // namespace varnholt::sample
