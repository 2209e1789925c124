#include "platform/AesCbcDecryptor.h"
#include "platform/AesKeyWrap.h"
#include "platform/Pbkdf2.h"

#include <gtest/gtest.h>

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

std::string unhex(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16));
    return out;
}
} // namespace

TEST(Crypto, Pbkdf2MatchesThePublishedVectors)
{
    using namespace std::string_literals;
    // RFC 6070 (HMAC-SHA1)
    EXPECT_EQ(hex(*pbkdf2(Pbkdf2Hash::sha1, "password", "salt", 1, 20)), "0c60c80f961f0e71f3a9b524af6012062fe037a6");
    EXPECT_EQ(hex(*pbkdf2(Pbkdf2Hash::sha1, "password", "salt", 4096, 20)), "4b007901b765489abead49d926f721d065a429c1");
    EXPECT_EQ(
        hex(*pbkdf2(Pbkdf2Hash::sha1, "passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25)),
        "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038")
        << "an output longer than one hash";
    EXPECT_EQ(hex(*pbkdf2(Pbkdf2Hash::sha1, "pass\0word"s, "sa\0lt"s, 4096, 16)), "56fa6aa75548099dcc37d7f03425e0c3")
        << "bytes after a NUL count";
    // RFC 7914 section 11 (HMAC-SHA256)
    EXPECT_EQ(hex(*pbkdf2(Pbkdf2Hash::sha256, "passwd", "salt", 1, 64)),
              "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
              "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");
    EXPECT_EQ(hex(*pbkdf2(Pbkdf2Hash::sha256, "Password", "NaCl", 80000, 64)),
              "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
              "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d");
    EXPECT_EQ(pbkdf2(Pbkdf2Hash::sha1, "", "salt", 2, 20), pbkdf2(Pbkdf2Hash::sha1, "", "salt", 2, 20))
        << "an empty password is a key too";
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
    const std::string kek128 = unhex("000102030405060708090a0b0c0d0e0f");
    const std::string kek256 = unhex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    const std::string key128 = unhex("00112233445566778899aabbccddeeff");
    const std::string key256 = unhex("00112233445566778899aabbccddeeff000102030405060708090a0b0c0d0e0f");
    const std::string wrapped41 = unhex("1fa68b0a8112b447aef34bd8fb5a7b829d3e862371d2cfe5");
    const std::string wrapped46 =
        unhex("28c9f404c4b810f4cbccb35cfb87f8263f5786e2d80ed326cbc7f0e71a99f43bfb988b9b7a02dd21");
    EXPECT_EQ(aesWrapKey(kek128, key128), wrapped41);
    EXPECT_EQ(aesUnwrapKey(kek128, wrapped41), key128);
    EXPECT_EQ(aesWrapKey(kek256, key256), wrapped46);
    EXPECT_EQ(aesUnwrapKey(kek256, wrapped46), key256);

    std::string tampered = wrapped46;
    tampered[10] ^= 1;
    EXPECT_FALSE(aesUnwrapKey(kek256, tampered));
    EXPECT_FALSE(aesUnwrapKey(unhex("ff0102030405060708090a0b0c0d0e0f"), wrapped41)) << "a wrong key fails its check";
    EXPECT_FALSE(aesUnwrapKey(kek128, wrapped41.substr(0, 20))) << "not a multiple of eight bytes";
    EXPECT_FALSE(aesUnwrapKey("short", wrapped41));
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
