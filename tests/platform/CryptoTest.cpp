#include "platform/Crypto.h"
#include "platform/PasswordFile.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace varnholt;

namespace {
std::string fromHex(std::string_view hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
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

TEST(Crypto, EveryStepOfTheLockedNoteVectorAndItsNegatives)
{
    EXPECT_EQ(crypto::pbkdf2Sha256("password", kSalt, 20000, 16), kKek);
    EXPECT_EQ(crypto::aesKeyUnwrap(kKek, kWrapped), kKey);
    const auto plain = crypto::aesGcmDecrypt(kKey, kIv, kCiphertext, kTag);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->size(), 141u);
    EXPECT_EQ(plain->substr(0, kPlaintextStart.size()), kPlaintextStart);

    // Each wrong input fails the unwrap's own check or the tag.
    EXPECT_FALSE(crypto::aesKeyUnwrap(fromHex("c515e65561dde69d9eb9c3f84a2256a0"), kWrapped));
    EXPECT_FALSE(crypto::aesKeyUnwrap(
        *crypto::pbkdf2Sha256("password", fromHex("1165106b6b288bda1e6ecb18e65c7875"), 20000, 16), kWrapped));
    EXPECT_FALSE(crypto::aesKeyUnwrap(*crypto::pbkdf2Sha256("password", kSalt, 19999, 16), kWrapped));
    EXPECT_FALSE(crypto::aesKeyUnwrap(kKek, fromHex("98c0e56b43b507e60c5465ec5e1bb0c74b756f7d4f4a9cff")));
    EXPECT_FALSE(crypto::aesKeyUnwrap(*crypto::pbkdf2Sha256("passwordfake", kSalt, 20000, 16), kWrapped));
    std::string badTag = kTag;
    badTag[0] ^= 1;
    EXPECT_FALSE(crypto::aesGcmDecrypt(kKey, kIv, kCiphertext, badTag));
    std::string altered = kCiphertext;
    altered[70] ^= 1;
    EXPECT_FALSE(crypto::aesGcmDecrypt(kKey, kIv, altered, kTag));

    // Malformed sizes give nothing rather than reaching the cipher.
    EXPECT_FALSE(crypto::aesKeyUnwrap("short", kWrapped));
    EXPECT_FALSE(crypto::aesKeyUnwrap(kKek, kWrapped.substr(0, 20)));
    EXPECT_FALSE(crypto::aesGcmDecrypt(kKey.substr(0, 5), kIv, kCiphertext, kTag));
    EXPECT_FALSE(crypto::aesGcmDecrypt(kKey, "", kCiphertext, kTag));
    EXPECT_FALSE(crypto::pbkdf2Sha256("password", kSalt, 0, 16));
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
