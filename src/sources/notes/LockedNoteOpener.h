#pragma once

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
};

// Opens locked notes with the passwords the user gave: the key-encrypting key from PBKDF2-
// HMAC-SHA256 over the password and the note's salt unwraps the note's key (RFC 3394), which
// decrypts and authenticates the body (AES-128-GCM, 16-byte nonce): the usual gzip body.
class LockedNoteOpener {
public:
    explicit LockedNoteOpener(std::vector<std::string> passwords) : m_passwords(std::move(passwords)) {}

    enum class Failure { noPassword, wrongPassword, missingColumns, otherScheme, damaged };
    struct Result {
        std::optional<std::string> body; // the gzip body, when a password opened it
        Failure failure = Failure::noPassword;
    };

    Result open(const LockedNoteCrypto& crypto) const;

    bool hasPasswords() const { return !m_passwords.empty(); }
    std::size_t passwordCount() const { return m_passwords.size(); }

    // A sentence for the trace line of a note that stayed locked.
    static std::string explain(Failure failure, std::size_t passwordCount);

private:
    std::vector<std::string> m_passwords;
};

} // namespace varnholt::notesdb
