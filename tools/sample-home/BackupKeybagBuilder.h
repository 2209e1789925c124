#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace varnholt::sample {

// Makes the keybag of an encrypted backup as an iPhone does: random salts, class keys wrapped
// with the key derived from the password. The round counts are the caller's: a real phone uses
// ten million slow rounds, tests a few so that they run in no time.
class BackupKeybagBuilder {
public:
    struct Rounds {
        std::uint32_t slow = 10;   // PBKDF2-HMAC-SHA256 (0: an older backup without this step)
        std::uint32_t fast = 10;   // PBKDF2-HMAC-SHA1
        std::uint32_t version = 4; // VERS
    };

    BackupKeybagBuilder(std::string_view password, Rounds rounds);

    // The keybag's bytes, as Manifest.plist's BackupKeyBag holds them.
    const std::string& bytes() const { return m_bytes; }

    // A new random 32-byte key wrapped for protection class `protectionClass`, in the form a file's
    // EncryptionKey or the ManifestKey holds it (class little-endian, then the wrapped key).
    std::string wrapNewKey(std::uint32_t protectionClass, std::string& plainKey) const;

private:
    std::map<std::uint32_t, std::string> m_classKeys;
    std::string m_bytes;
};

// Random bytes for keys and salts.
std::string randomBytes(std::size_t count);

} // namespace varnholt::sample
