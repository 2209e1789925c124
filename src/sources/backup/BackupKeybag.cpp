#include "sources/backup/BackupKeybag.h"

#include "platform/AesKeyWrap.h"

namespace varnholt::backup {

namespace {
// Bit of a class key's WRAP value: wrapped with the key derived from the password.
constexpr std::uint32_t kWrappedWithPassword = 2;
constexpr std::uint32_t kOldestVersion = 2;
constexpr std::uint32_t kNewestVersion = 5;

std::uint32_t bigEndian(std::string_view bytes)
{
    std::uint32_t value = 0;
    for (const char byte : bytes.substr(0, 4))
        value = (value << 8) | static_cast<unsigned char>(byte);
    return value;
}

std::uint32_t littleEndian(std::string_view bytes)
{
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}
} // namespace

tl::expected<BackupKeybag, std::string> BackupKeybag::parse(std::string_view bytes)
{
    BackupKeybag keybag;
    bool seenOwnUuid = false;
    std::optional<std::uint32_t> currentClass;
    ClassKey current;
    bool inClassKey = false;
    const auto closeClassKey = [&] {
        if (inClassKey && currentClass && !current.wrappedKey.empty())
            keybag.m_wrapped[*currentClass] = current;
        current = {};
        currentClass.reset();
    };
    bool versionSeen = false;
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        if (bytes.size() - offset < 8)
            return tl::unexpected(std::string("the backup's keybag is truncated"));
        const std::string_view tag = bytes.substr(offset, 4);
        const std::uint32_t length = bigEndian(bytes.substr(offset + 4, 4));
        offset += 8;
        if (length > bytes.size() - offset)
            return tl::unexpected(std::string("the backup's keybag is truncated"));
        const std::string_view value = bytes.substr(offset, length);
        offset += length;
        const std::uint32_t number = length == 4 ? bigEndian(value) : 0;

        if (tag == "UUID") {
            // The first UUID names the keybag itself; each later one starts a class key.
            if (seenOwnUuid) {
                closeClassKey();
                inClassKey = true;
            }
            seenOwnUuid = true;
        } else if (inClassKey) {
            if (tag == "CLAS")
                currentClass = number;
            else if (tag == "WRAP")
                current.wrap = number;
            else if (tag == "WPKY")
                current.wrappedKey = std::string(value);
        } else if (tag == "VERS") {
            keybag.m_version = number;
            versionSeen = true;
        } else if (tag == "SALT") {
            keybag.m_salt = std::string(value);
        } else if (tag == "ITER") {
            keybag.m_rounds = number;
        } else if (tag == "DPSL") {
            keybag.m_slowSalt = std::string(value);
        } else if (tag == "DPIC") {
            keybag.m_slowRounds = number;
        }
    }
    closeClassKey();

    if (!versionSeen || keybag.m_version < kOldestVersion || keybag.m_version > kNewestVersion)
        return tl::unexpected("the backup's keybag has version " + std::to_string(keybag.m_version) +
                              ", which this version of Varnholt does not know");
    if (keybag.m_salt.empty() || keybag.m_rounds == 0)
        return tl::unexpected(std::string("the backup's keybag holds no password salt"));
    if (keybag.m_wrapped.empty())
        return tl::unexpected(std::string("the backup's keybag holds no keys"));
    return keybag;
}

std::optional<std::string> BackupKeybag::derivePasswordKey(std::string_view password, const Pbkdf2Progress& progress,
                                                           std::stop_token stop) const
{
    // Since iOS 10.2 the password first goes through a slow SHA-256 round; older backups have only the SHA-1 one.
    const bool twoSteps = !m_slowSalt.empty() && m_slowRounds > 0;
    const double total = static_cast<double>(m_rounds) + (twoSteps ? m_slowRounds : 0);
    std::string first(password);
    if (twoSteps) {
        const double share = m_slowRounds / total;
        auto slow = pbkdf2(
            Pbkdf2Hash::sha256, password, m_slowSalt, m_slowRounds, 32,
            [&](double done) {
                if (progress)
                    progress(done * share);
            },
            stop);
        if (!slow)
            return std::nullopt;
        first = std::move(*slow);
    }
    const double before = twoSteps ? m_slowRounds / total : 0.0;
    return pbkdf2(
        Pbkdf2Hash::sha1, first, m_salt, m_rounds, 32,
        [&](double done) {
            if (progress)
                progress(before + done * (1.0 - before));
        },
        stop);
}

bool BackupKeybag::unlock(std::string_view passwordKey)
{
    std::map<std::uint32_t, std::string> keys;
    for (const auto& [protectionClass, classKey] : m_wrapped) {
        if ((classKey.wrap & kWrappedWithPassword) == 0)
            continue; // kept by the device, not by the backup's password
        auto key = aesUnwrapKey(passwordKey, classKey.wrappedKey);
        if (!key)
            return false;
        keys[protectionClass] = std::move(*key);
    }
    if (keys.empty())
        return false;
    m_classKeys = std::move(keys);
    return true;
}

std::optional<std::string> BackupKeybag::unwrapKey(std::string_view classAndWrappedKey) const
{
    if (classAndWrappedKey.size() < 4 + 24)
        return std::nullopt;
    const auto found = m_classKeys.find(littleEndian(classAndWrappedKey));
    if (found == m_classKeys.end())
        return std::nullopt;
    return aesUnwrapKey(found->second, classAndWrappedKey.substr(4));
}

} // namespace varnholt::backup
