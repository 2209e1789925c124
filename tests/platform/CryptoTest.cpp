#include "platform/AesCbcDecryptor.h"
#include "platform/AesGcm.h"
#include "platform/AesKeyWrap.h"
#include "platform/PasswordFile.h"
#include "platform/Pbkdf2.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <stdexcept>

using namespace varnholt;

namespace {
std::string hex(std::string_view bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (const char byte : bytes) {
        out += digits[static_cast<unsigned char>(byte) >> 4];
        out += digits[static_cast<unsigned char>(byte) & 0xF];
    }
    return out;
}

std::string fromHex(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16));
    return out;
}
// The locked-note test vector published with apple_cloud_notes_parser.
const std::string kSalt = fromHex("1165106b6b288bda1e6ecb18e65c7876");
const std::string kKek = fromHex("652be86143348a6e0106095880bcf31b");
const std::string kWrapped = fromHex("98c0e56b43b507e60c5465ec5e1bb0c74b756f7d4f4a9bff");
const std::string kKey = fromHex("023aae7c450a283b23e3d7c1416ad644");
const std::string kIv = fromHex("151f64de7be34d15dacdaea9b33471f9");
const std::string kTag = fromHex("806bf2bbd3bf83cf1240b03e7c4d6ab1");
const std::string kCiphertext = fromHex(
    "131b03571fc9ec47ef58e58e21fce5c10aa73a62b9e58a743bcdcc3aff1ea8ab9964f4535b8597735f3da5f6ae63b9370625a20d633e9cf2"
    "986d4d118989124f0ddfee956e47cb5cbc3617c520b075620b37ae4056f3a1af83351fda634dfb446055c75f7143a5600149db333893c0ec"
    "b0ef3944e2a64542e9a4375bf152689858fed8b21aded0eab0afb11190");
const std::string kPlaintextStart = fromHex("1f8b0800000000000013e360109ac1c8c120c02035915148de352fb9a8b2a0243545");

} // namespace

TEST(Crypto, Pbkdf2MatchesThePublishedVectors)
{
    using namespace std::string_literals;
    // RFC 6070 (HMAC-SHA1) and RFC 7914 section 11 (HMAC-SHA256)
    EXPECT_EQ(hex(*pbkdf2(Pbkdf2Hash::sha1, "password", "salt", 4096, 20)), "4b007901b765489abead49d926f721d065a429c1");
    EXPECT_EQ(
        hex(*pbkdf2(Pbkdf2Hash::sha1, "passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25)),
        "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038")
        << "an output longer than one hash";
    EXPECT_EQ(hex(*pbkdf2(Pbkdf2Hash::sha1, "pass\0word"s, "sa\0lt"s, 4096, 16)), "56fa6aa75548099dcc37d7f03425e0c3")
        << "bytes after a NUL count";
    EXPECT_EQ(hex(*pbkdf2(Pbkdf2Hash::sha256, "passwd", "salt", 1, 64)),
              "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
              "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");
    EXPECT_TRUE(pbkdf2(Pbkdf2Hash::sha1, "", "salt", 2, 20)) << "an empty password is a key too";
    EXPECT_FALSE(pbkdf2(Pbkdf2Hash::sha1, "p", "s", 0, 20));
}

TEST(Crypto, Pbkdf2ReportsProgressAndStops)
{
    std::vector<double> reported;
    ASSERT_TRUE(pbkdf2(Pbkdf2Hash::sha256, "p", "s", 300'000, 32, [&](double done) { reported.push_back(done); }));
    ASSERT_GE(reported.size(), 3u);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_DOUBLE_EQ(reported.back(), 1.0);

    std::stop_source stop;
    int calls = 0;
    const auto stopped = pbkdf2(
        Pbkdf2Hash::sha256, "p", "s", 10'000'000, 32,
        [&](double) {
            if (++calls == 2)
                stop.request_stop();
        },
        stop.get_token());
    EXPECT_FALSE(stopped);
    EXPECT_EQ(calls, 2) << "stops at the next check, not after ten million rounds";
}

TEST(Crypto, AesKeyWrapMatchesRfc3394AndRefusesAWrongKey)
{
    const std::string kek128 = fromHex("000102030405060708090a0b0c0d0e0f");
    const std::string kek256 = fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    const std::string key128 = fromHex("00112233445566778899aabbccddeeff");
    const std::string key256 = fromHex("00112233445566778899aabbccddeeff000102030405060708090a0b0c0d0e0f");
    const std::string wrapped41 = fromHex("1fa68b0a8112b447aef34bd8fb5a7b829d3e862371d2cfe5");
    const std::string wrapped46 =
        fromHex("28c9f404c4b810f4cbccb35cfb87f8263f5786e2d80ed326cbc7f0e71a99f43bfb988b9b7a02dd21");
    EXPECT_EQ(aesWrapKey(kek128, key128), wrapped41);
    EXPECT_EQ(aesUnwrapKey(kek128, wrapped41), key128);
    EXPECT_EQ(aesWrapKey(kek256, key256), wrapped46);
    EXPECT_EQ(aesUnwrapKey(kek256, wrapped46), key256);

    std::string tampered = wrapped46;
    tampered[10] ^= 1;
    EXPECT_FALSE(aesUnwrapKey(kek256, tampered));
    EXPECT_FALSE(aesUnwrapKey(fromHex("ff0102030405060708090a0b0c0d0e0f"), wrapped41)) << "a wrong key fails its check";
}

TEST(Crypto, AesCbcDecryptsInPiecesWhatItEncryptedWhole)
{
    const std::string key(32, 'k');
    std::string plain;
    for (int i = 0; i < 5000; ++i)
        plain += static_cast<char>(i * 7);
    const std::string cipher = aesCbcEncrypt(key, plain).value();
    ASSERT_EQ(cipher.size(), (plain.size() / 16 + 1) * 16);

    auto decryptor = AesCbcDecryptor::create(key);
    ASSERT_TRUE(decryptor);
    std::string out;
    for (std::size_t at = 0; at < cipher.size(); at += 333)
        ASSERT_TRUE(decryptor->update(std::string_view(cipher).substr(at, 333), out));
    ASSERT_TRUE(decryptor->finish(out));
    EXPECT_EQ(withoutPkcs7Padding(out), plain);

    auto cut = AesCbcDecryptor::create(key);
    std::string partial;
    ASSERT_TRUE(cut->update(std::string_view(cipher).substr(0, 40), partial));
    EXPECT_FALSE(cut->finish(partial)) << "ends inside a block";
    EXPECT_FALSE(AesCbcDecryptor::create("sixteen byte key"));
    EXPECT_FALSE(withoutPkcs7Padding(std::string(16, '\x11')));
    EXPECT_FALSE(withoutPkcs7Padding(std::string(15, 'a') + '\0'));
}

TEST(Crypto, EveryStepOfTheLockedNoteVectorAndItsNegatives)
{
    EXPECT_EQ(pbkdf2(Pbkdf2Hash::sha256, "password", kSalt, 20000, 16), kKek);
    EXPECT_EQ(aesUnwrapKey(kKek, kWrapped), kKey);
    const auto plain = aesGcmDecrypt(kKey, kIv, kCiphertext, kTag);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->size(), 141u);
    EXPECT_EQ(plain->substr(0, kPlaintextStart.size()), kPlaintextStart);

    // Each wrong input fails the unwrap's own check or the tag.
    EXPECT_FALSE(aesUnwrapKey(fromHex("c515e65561dde69d9eb9c3f84a2256a0"), kWrapped));
    EXPECT_FALSE(aesUnwrapKey(
        *pbkdf2(Pbkdf2Hash::sha256, "password", fromHex("1165106b6b288bda1e6ecb18e65c7875"), 20000, 16), kWrapped));
    EXPECT_FALSE(aesUnwrapKey(*pbkdf2(Pbkdf2Hash::sha256, "password", kSalt, 19999, 16), kWrapped));
    EXPECT_FALSE(aesUnwrapKey(kKek, fromHex("98c0e56b43b507e60c5465ec5e1bb0c74b756f7d4f4a9cff")));
    EXPECT_FALSE(aesUnwrapKey(*pbkdf2(Pbkdf2Hash::sha256, "passwordfake", kSalt, 20000, 16), kWrapped));
    std::string badTag = kTag;
    badTag[0] ^= 1;
    EXPECT_FALSE(aesGcmDecrypt(kKey, kIv, kCiphertext, badTag));
    std::string altered = kCiphertext;
    altered[70] ^= 1;
    EXPECT_FALSE(aesGcmDecrypt(kKey, kIv, altered, kTag));

    // Malformed sizes give nothing rather than reaching the cipher.
    EXPECT_FALSE(aesUnwrapKey("short", kWrapped));
    EXPECT_FALSE(aesUnwrapKey(kKek, kWrapped.substr(0, 20))) << "not a multiple of eight bytes";
    EXPECT_FALSE(aesGcmDecrypt(kKey.substr(0, 5), kIv, kCiphertext, kTag));
    EXPECT_FALSE(aesGcmDecrypt(kKey, "", kCiphertext, kTag));
}

TEST(PasswordFile, OnePasswordALineKeptByteForByte)
{
    test::TempDir dir;
    auto write = [&](const char* name, const std::string& text) {
        std::FILE* file = std::fopen((dir / name).c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        return dir / name;
    };
    EXPECT_EQ(readPasswordFile(write("many", "password\nroot\r\n\nsuper_secret")).value(),
              (std::vector<std::string>{"password", "root", "super_secret"}));
    EXPECT_EQ(
        readPasswordFile(
            write("odd", "  spaces in my password \n\xd9\x83\xd9\x84\xd9\x85\xd8\xa9\n\xe2\x8c\x9b\xef\xb8\x8e\n"))
            .value(),
        (std::vector<std::string>{"  spaces in my password ", "\xd9\x83\xd9\x84\xd9\x85\xd8\xa9",
                                  "\xe2\x8c\x9b\xef\xb8\x8e"}));

    for (const char* empty : {"", "\n\r\n\n"}) {
        const auto result = readPasswordFile(write("empty", empty));
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().kind(), ErrorKind::badInput);
        EXPECT_NE(result.error().description().find("holds no password"), std::string::npos);
    }
    const auto missing = readPasswordFile(dir / "absent");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind(), ErrorKind::badInput);
    EXPECT_NE(missing.error().description().find("Could not read the password file " + (dir / "absent").string()),
              std::string::npos);

    if (!test::canTestPermissions())
        GTEST_SKIP() << "cannot drop privileges here";
    const auto secret = write("secret", "tbull\n");
    ::chmod(dir.path().c_str(), 0755);
    ::chmod(secret.c_str(), 0600);
    EXPECT_EQ(test::runUnprivileged([&] { return readPasswordFile(secret) ? 0 : 1; }), 1);
}
