#pragma once

#include "platform/Pbkdf2.h"

#include <tl/expected.hpp>

#include <cstdint>
#include <map>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace varnholt::backup {

// The keybag of an encrypted backup (Manifest.plist's BackupKeyBag): the salts and round counts
// the password is derived with, and one wrapped key per protection class. Unlocked with the
// password, it gives the keys that open Manifest.db and every file of the backup.
class BackupKeybag {
public:
    // A keybag that is truncated, has no class keys or a version we do not know is refused with
    // a sentence saying so.
    static tl::expected<BackupKeybag, std::string> parse(std::string_view bytes);

    std::uint32_t version() const { return m_version; }
    // Rounds of the slow (SHA-256) and the fast (SHA-1) derivation, for an estimate of the wait.
    std::uint32_t slowRounds() const { return m_slowRounds; }
    std::uint32_t rounds() const { return m_rounds; }

    // The key the password stands for. Seconds of work on a real backup; absent when stopped.
    std::optional<std::string> derivePasswordKey(std::string_view password, const Pbkdf2Progress& progress = {},
                                                 std::stop_token stop = {}) const;

    // Unwraps every class key the password protects; false (and nothing unlocked) when the key
    // does not open them: the password is wrong.
    bool unlock(std::string_view passwordKey);
    bool unlocked() const { return !m_classKeys.empty(); }

    // The key of one file or of Manifest.db from its wrapped form: four bytes of protection class
    // (little-endian), then the key wrapped with that class's key. Absent when it does not unwrap.
    std::optional<std::string> unwrapKey(std::string_view classAndWrappedKey) const;

private:
    struct ClassKey {
        std::uint32_t wrap = 0;
        std::string wrappedKey;
    };

    std::uint32_t m_version = 0;
    std::string m_salt;
    std::uint32_t m_rounds = 0;
    std::string m_slowSalt;
    std::uint32_t m_slowRounds = 0;
    std::map<std::uint32_t, ClassKey> m_wrapped;
    std::map<std::uint32_t, std::string> m_classKeys;
};

} // namespace varnholt::backup
