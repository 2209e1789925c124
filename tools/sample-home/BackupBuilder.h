#pragma once

#include "sample-home/BackupKeybagBuilder.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt::sample {

// Writes an iPhone backup folder as Finder and idevicebackup2 do: each file under
// <first two hex digits>/<SHA-1 of "domain-relativePath">, Manifest.db with a Files row and an
// MBFile keyed archive per file and folder, Manifest.plist, Info.plist and Status.plist. With a
// password, as "Encrypt local backup" does: each file under a key of its own, wrapped in the
// keybag's class key, Manifest.db under the ManifestKey.
struct BackupDevice {
    std::string name = "Ada's iPhone";
    std::string productType = "iPhone14,2";
    std::string productVersion = "17.4.1";
    long long lastBackup = 1714567890; // seconds since 1970
};

struct BackupEncryption {
    std::string password;
    BackupKeybagBuilder::Rounds rounds;
};

class BackupBuilder {
public:
    using Device = BackupDevice;

    explicit BackupBuilder(std::filesystem::path folder, const std::optional<BackupEncryption>& encryption = {});

    void addBytes(const std::string& domain, const std::string& relativePath, std::string_view bytes);
    void addFile(const std::string& domain, const std::string& relativePath, const std::filesystem::path& from);
    // Every file and folder below `from`, under `relativePrefix` (empty: the domain's top).
    void addTree(const std::string& domain, const std::string& relativePrefix, const std::filesystem::path& from);
    void addFolder(const std::string& domain, const std::string& relativePath);
    // Writes the manifest and the property lists; the backup is then complete.
    void finish(const Device& device = Device());

    const std::filesystem::path& folder() const { return m_folder; }
    // Where the builder put a file's bytes.
    std::filesystem::path storedPath(const std::string& domain, const std::string& relativePath) const;

private:
    struct Entry {
        std::string domain;
        std::string relativePath;
        int flags;
        std::uint64_t size;
        std::string encryptionKey;
    };
    void addParents(const std::string& domain, const std::string& relativePath);

    std::filesystem::path m_folder;
    std::optional<BackupKeybagBuilder> m_keybag;
    std::vector<Entry> m_entries;
};

// An MBFile keyed archive as a backup's Manifest.db holds it.
std::string makeMBFileArchive(const std::string& relativePath, std::uint64_t size, int mode, long long modified,
                              const std::string& encryptionKey = {});

} // namespace varnholt::sample

namespace varnholt::sample {

// An iPhone backup holding what a sample home holds, where a phone keeps it: the Messages database
// (its attachment paths moved to ~/Library/SMS/Attachments, its log kept), the attachments, the
// Notes container and the recordings.
void buildBackupOfHome(const std::filesystem::path& home, const std::filesystem::path& backup,
                       const std::optional<BackupEncryption>& encryption = {});

} // namespace varnholt::sample
