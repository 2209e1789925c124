#include "sample-home/BackupKeybagBuilder.h"

#include "platform/AesKeyWrap.h"
#include "platform/Pbkdf2.h"

#include <openssl/rand.h>

#include <stdexcept>

namespace varnholt::sample {

namespace {
constexpr std::uint32_t kWrappedWithPassword = 2;
// The protection classes a backup's keybag holds keys for.
constexpr std::uint32_t kClasses[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

void appendTag(std::string& out, std::string_view tag, std::string_view value)
{
    out += tag;
    const auto size = static_cast<std::uint32_t>(value.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((size >> shift) & 0xFF);
    out += value;
}

void appendNumber(std::string& out, std::string_view tag, std::uint32_t value)
{
    std::string bytes;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((value >> shift) & 0xFF);
    appendTag(out, tag, bytes);
}
} // namespace

std::string randomBytes(std::size_t count)
{
    std::string bytes(count, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<int>(count)) != 1)
        throw std::runtime_error("no random bytes for a fixture key");
    return bytes;
}

BackupKeybagBuilder::BackupKeybagBuilder(std::string_view password, Rounds rounds)
{
    const std::string salt = randomBytes(20);
    const std::string slowSalt = randomBytes(20);
    std::string first(password);
    if (rounds.slow > 0)
        first = pbkdf2(Pbkdf2Hash::sha256, password, slowSalt, rounds.slow, 32).value();
    const std::string passwordKey = pbkdf2(Pbkdf2Hash::sha1, first, salt, rounds.fast, 32).value();

    appendNumber(m_bytes, "VERS", rounds.version);
    appendNumber(m_bytes, "TYPE", 1);
    appendTag(m_bytes, "UUID", randomBytes(16));
    appendTag(m_bytes, "HMCK", randomBytes(40));
    appendNumber(m_bytes, "WRAP", 0);
    appendTag(m_bytes, "SALT", salt);
    appendNumber(m_bytes, "ITER", rounds.fast);
    if (rounds.slow > 0) {
        appendNumber(m_bytes, "DPWT", 1);
        appendNumber(m_bytes, "DPIC", rounds.slow);
        appendTag(m_bytes, "DPSL", slowSalt);
    }
    for (const std::uint32_t protectionClass : kClasses) {
        const std::string key = randomBytes(32);
        m_classKeys[protectionClass] = key;
        appendTag(m_bytes, "UUID", randomBytes(16));
        appendNumber(m_bytes, "CLAS", protectionClass);
        appendNumber(m_bytes, "WRAP", kWrappedWithPassword);
        appendNumber(m_bytes, "KTYP", 0);
        appendTag(m_bytes, "WPKY", aesWrapKey(passwordKey, key).value());
    }
}

std::string BackupKeybagBuilder::wrapNewKey(std::uint32_t protectionClass, std::string& plainKey) const
{
    plainKey = randomBytes(32);
    std::string wrapped;
    for (int shift = 0; shift < 32; shift += 8)
        wrapped += static_cast<char>((protectionClass >> shift) & 0xFF);
    wrapped += aesWrapKey(m_classKeys.at(protectionClass), plainKey).value();
    return wrapped;
}

} // namespace varnholt::sample
