#include "sources/notes/LockedNoteOpener.h"

#include "platform/AesGcm.h"
#include "platform/AesKeyWrap.h"
#include "platform/Pbkdf2.h"
#include "platform/PropertyList.h"

namespace varnholt::notesdb {

namespace {
constexpr std::size_t kClassicKeyLength = 16;
// Far above what Notes uses (20,000): a damaged count must not hold the export for hours.
constexpr std::int64_t kMaxIterations = 10'000'000;

enum class Salt { present, absent, unreadable };

// Whether a cipher-version-2 body (a keyed archive of the encryption object) names a passphrase salt.
Salt cipherObjectSalt(std::string_view body)
{
    const auto archive = PropertyList::parse(body);
    if (!archive)
        return Salt::unreadable;
    const PropertyList::Node objects = archive->root()["$objects"];
    const auto rootIndex = archive->root()["$top"]["root"].uid();
    if (!objects.isValid() || !rootIndex)
        return Salt::unreadable;
    const PropertyList::Node object = objects.at(*rootIndex);
    if (!object["encryptedData"].isValid())
        return Salt::unreadable; // not an encryption object
    const auto metadataIndex = object["unauthenticatedMetadata"].uid();
    if (!metadataIndex)
        return Salt::absent;
    const PropertyList::Node stored = objects.at(*metadataIndex);
    const auto bytes = stored.data() ? stored.data() : stored["NS.data"].data();
    const auto metadata = bytes ? PropertyList::parse(*bytes) : std::nullopt;
    if (!metadata)
        return Salt::unreadable;
    const auto salt = metadata->root()["passphraseSalt"].data();
    return salt && !salt->empty() ? Salt::present : Salt::absent;
}
} // namespace

LockKind LockedNoteOpener::lockOf(const LockedNoteCrypto& crypto)
{
    if (!crypto.salt.empty() && crypto.iterations > 0)
        return LockKind::password;
    if (crypto.ciphertext.rfind("bplist00", 0) == 0) {
        const Salt salt = cipherObjectSalt(crypto.ciphertext);
        if (salt == Salt::present)
            return LockKind::password;
        if (salt == Salt::absent)
            return LockKind::devicePasscode;
    }
    if (crypto.accountLockedNotesMode == kDevicePasscodeMode)
        return LockKind::devicePasscode;
    return LockKind::unknown;
}

LockedNoteOpener::Result LockedNoteOpener::open(const LockedNoteCrypto& crypto) const
{
    if (lockOf(crypto) == LockKind::devicePasscode)
        return {std::nullopt, Failure::devicePasscode};
    if (m_passwords.empty())
        return {std::nullopt, Failure::noPassword};
    // Newer versions keep a keyed archive in the body and no iteration count on the note.
    if (crypto.iterations == 0 && crypto.ciphertext.rfind("bplist00", 0) == 0)
        return {std::nullopt, Failure::otherScheme};
    if (crypto.salt.empty() || crypto.wrappedKey.empty() || crypto.initializationVector.empty() || crypto.tag.empty() ||
        crypto.ciphertext.empty() || crypto.iterations <= 0)
        return {std::nullopt, Failure::missingColumns};
    if (crypto.iterations > kMaxIterations)
        return {std::nullopt, Failure::damaged};

    for (const std::string& password : m_passwords) {
        const auto kek = pbkdf2(Pbkdf2Hash::sha256, password, crypto.salt,
                                static_cast<std::uint32_t>(crypto.iterations), kClassicKeyLength);
        if (!kek)
            return {std::nullopt, Failure::damaged};
        const auto key = aesUnwrapKey(*kek, crypto.wrappedKey);
        if (!key)
            continue; // the unwrap's own check says this is not the password
        auto body = aesGcmDecrypt(*key, crypto.initializationVector, crypto.ciphertext, crypto.tag);
        if (!body)
            return {std::nullopt, Failure::damaged}; // the right key, but the body does not authenticate
        return {std::move(body), Failure::noPassword};
    }
    return {std::nullopt, Failure::wrongPassword};
}

std::string LockedNoteOpener::explain(Failure failure, std::size_t passwordCount)
{
    switch (failure) {
    case Failure::noPassword:
        return "no password was given (use --password-file)";
    case Failure::wrongPassword:
        return passwordCount == 1 ? "the password given does not open it"
                                  : "none of the " + std::to_string(passwordCount) + " passwords given opens it";
    case Failure::missingColumns:
        return "the store lacks the data needed to open it";
    case Failure::otherScheme:
        return "it is locked with the encryption of macOS 14 and later, which this version cannot open yet";
    case Failure::devicePasscode:
        return "it is locked with the device passcode, which a password cannot open (remove the lock on the "
               "device to export its text)";
    case Failure::damaged:
        break;
    }
    return "its encrypted text is damaged (it does not authenticate)";
}

} // namespace varnholt::notesdb
