#pragma once

#include "model/notes/Note.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnholt::notesdb {

// What the store keeps for a note locked with its own password (the classic scheme).
struct LockedNoteCrypto {
    std::string salt;
    std::int64_t iterations = 0;
    std::string wrappedKey;
    std::string initializationVector;
    std::string tag;
    std::string ciphertext;
    // ZLOCKEDNOTESMODE of the note's account data (0 when the store has none).
    std::int64_t accountLockedNotesMode = 0;
    // What it is locked with, as lockOf() tells from the above.
    LockKind lock = LockKind::unknown;
};

// Opens locked notes with the passwords the user gave: the key-encrypting key from PBKDF2-
// HMAC-SHA256 over the password and the note's salt unwraps the note's key (RFC 3394), which
// decrypts and authenticates the body (AES-128-GCM, 16-byte nonce): the usual gzip body.
class LockedNoteOpener {
public:
    explicit LockedNoteOpener(std::vector<std::string> passwords) : m_passwords(std::move(passwords)) {}

    enum class Failure { noPassword, wrongPassword, missingColumns, otherScheme, damaged, devicePasscode };
    struct Result {
        std::optional<std::string> body; // the gzip body, when a password opened it
        Failure failure = Failure::noPassword;
    };

    Result open(const LockedNoteCrypto& crypto) const;

    bool hasPasswords() const { return !m_passwords.empty(); }
    std::size_t passwordCount() const { return m_passwords.size(); }

    // What the note is locked with. A key made from a password needs a salt to make it: the classic
    // scheme keeps one on the note (ZCRYPTOSALT, with its iteration count), the newer one
    // (cipher version 2, a keyed archive in the body) as passphraseSalt in its unauthenticated
    // metadata, as every real password-locked note has. A note whose encrypted body carries no
    // salt in either place is locked with a key the device keeps, behind its passcode. Where the
    // note itself does not tell (no readable body), its account's setting does: ZLOCKEDNOTESMODE
    // is 1 on the account data of every real store whose notes are locked with a password (macOS
    // 13 on), and 2 is the other choice the setting has, the device passcode.
    static LockKind lockOf(const LockedNoteCrypto& crypto);
    static constexpr std::int64_t kDevicePasscodeMode = 2;

    // A sentence for the trace line of a note that stayed locked.
    static std::string explain(Failure failure, std::size_t passwordCount);

private:
    std::vector<std::string> m_passwords;
};

} // namespace varnholt::notesdb
