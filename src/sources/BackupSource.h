#pragma once

#include "model/ExporterType.h"
#include "platform/PrivateFolder.h"
#include "sources/BackupManifest.h"
#include "sources/Source.h"
#include "sources/SourceUnlock.h"
#include "sources/backup/BackupKeybag.h"

#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

namespace varnholt {

// An iPhone or iPad backup folder (Finder, iTunes, idevicebackup2): Manifest.db says under which
// hashed name each file of the phone lies. The files an export reads are laid out under their real
// names as links in a private folder, so the readers find them where a home keeps them; the backup
// itself is only read. The private folder goes with the source.
class BackupSource final : public Source {
public:
    struct Identity {
        std::string deviceName;
        std::string deviceKind; // "iPhone", "iPad"
        std::string productVersion;
        std::optional<double> lastBackup; // seconds since 1970
        bool encrypted = false;
    };

    // Whether the folder holds a backup's Manifest.db or Manifest.plist.
    static bool looksLikeBackup(const std::string& folder);
    // The backup's identity alone, from Info.plist and Manifest.plist; the stores are not laid out.
    // Throws an Error naming the backup when it cannot be read.
    static std::shared_ptr<BackupSource> identify(const std::string& folder);
    // Also lays out the stores `what` needs (every store when nothing is given) in a private folder
    // made in `nearFolder` or the nearest folder above it that exists (the system's temporary folder
    // when empty), so that it lies on the output's file system. Throws an Error naming the backup
    // when its manifest cannot be read or a database in it is missing or cut short. An encrypted
    // backup is first unlocked with one of `unlock`'s passwords, and the files are laid out
    // decrypted; without a password that opens it, this throws before anything is laid out.
    static std::shared_ptr<BackupSource> open(const std::string& folder, const std::string& nearFolder,
                                              std::optional<ExporterType> what, const SourceUnlock& unlock = {});

    explicit BackupSource(std::string folder, Identity identity);

    const Identity& identity() const { return m_identity; }
    const std::filesystem::path& layoutFolder() const { return m_layout.path(); }

    const std::string& root() const override { return m_root; }
    SourceDescription describe() const override;
    std::string accessProbe(ExporterType type) const override;
    std::string messagesDatabase() const override;
    std::string messagesHome() const override;
    std::string messagesAttachments() const override;
    std::vector<std::string> contactsDatabases() const override;
    std::string notesContainer() const override;
    std::string notesStore() const override;
    std::vector<std::string> recordingFolders() const override;
    // Also before the files are laid out: a store is then named by its domain and path alone.
    std::string displayPath(const std::string& path) const override;
    // A plain backup's files are links into the backup; an encrypted one's are decrypted into the layout.
    std::string copiedFilesContainer() const override;
    std::string locateFile(const std::string& path) const override;

private:
    void unlockWith(const SourceUnlock& unlock);
    void layOut(const std::string& nearFolder, std::optional<ExporterType> what);
    void placeFile(const BackupFile& file, const BackupFileRecord& record, const std::filesystem::path& stored,
                   const std::filesystem::path& place) const;
    // The stored file of an unlinked one at `place`, when the manifest has it whole.
    std::optional<std::string> storedUnlinked(const std::string& place) const;
    std::string inLayout(const std::string& domain, const std::string& relativePath = {}) const;

    std::string m_root;
    Identity m_identity;
    // An encrypted backup's keybag and the wrapped key of its Manifest.db, from Manifest.plist.
    std::string m_keybagBytes;
    std::string m_manifestKey;
    std::optional<backup::BackupKeybag> m_keybag;
    PrivateFolder m_layout;
    // Kept open after the layout for the files a plain backup does not link, which are found in
    // its index as the export asks for them; declared after the layout, which may hold its copy.
    std::optional<BackupManifest> m_manifest;
    // locateFile() is const, as a source is shared; the manifest's record query is not for two threads.
    mutable std::mutex m_manifestUse;
    // Where those files are: below `prefix` in `domain`, whose place in the layout is `domainFolder`.
    struct Unlinked {
        std::string domain;
        std::string prefix;
        std::string domainFolder; // with a slash at its end
    };
    std::vector<Unlinked> m_unlinked;
};

} // namespace varnholt
