#include "platform/AesCbcDecryptor.h"
#include "platform/Files.h"
#include "sample-home/BackupKeybagBuilder.h"
#include "sample-home/SampleFiles.h"
#include "sources/backup/BackupKeybag.h"
#include "sources/backup/EncryptedFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace varnholt;
using namespace varnholt::backup;
namespace fs = std::filesystem;

namespace {
std::optional<std::string> unlockWith(BackupKeybag& keybag, std::string_view password)
{
    auto key = keybag.derivePasswordKey(password);
    if (!key || !keybag.unlock(*key))
        return std::nullopt;
    return key;
}
} // namespace

TEST(BackupKeys, ThePasswordUnlocksTheKeysAndAWrongOneDoesNot)
{
    for (const std::uint32_t slowRounds : {0u, 25u}) { // a backup from before iOS 10.2 has no slow step
        const sample::BackupKeybagBuilder built("correct horse", {.slow = slowRounds, .fast = 30});
        auto keybag = BackupKeybag::parse(built.bytes());
        ASSERT_TRUE(keybag) << keybag.error();
        EXPECT_EQ(keybag->slowRounds(), slowRounds);

        EXPECT_FALSE(unlockWith(*keybag, "correct hors"));
        EXPECT_FALSE(unlockWith(*keybag, ""));
        EXPECT_FALSE(keybag->unlocked()) << "a wrong password unlocks nothing";
        ASSERT_TRUE(unlockWith(*keybag, "correct horse"));

        std::string fileKey;
        const std::string wrapped = built.wrapNewKey(3, fileKey);
        EXPECT_EQ(keybag->unwrapKey(wrapped), fileKey);
        std::string other = wrapped;
        other[0] = 42; // a protection class the keybag has no key for
        EXPECT_FALSE(keybag->unwrapKey(other));
        EXPECT_FALSE(keybag->unwrapKey(wrapped.substr(0, 20)));
    }
}

TEST(BackupKeys, DerivationProgressCoversBothSteps)
{
    const sample::BackupKeybagBuilder built("pw", {.slow = 200'000, .fast = 1000});
    auto keybag = BackupKeybag::parse(built.bytes());
    ASSERT_TRUE(keybag);
    std::vector<double> seen;
    ASSERT_TRUE(keybag->derivePasswordKey("pw", [&](double done) { seen.push_back(done); }));
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_DOUBLE_EQ(seen.back(), 1.0);
}

TEST(BackupKeys, ADamagedKeybagIsRefusedWithWhatIsWrong)
{
    const std::string good = sample::BackupKeybagBuilder("pw", {}).bytes();
    const auto refusal = [](std::string_view bytes) {
        auto keybag = BackupKeybag::parse(bytes);
        return keybag ? std::string("accepted") : keybag.error();
    };
    EXPECT_NE(refusal(good.substr(0, good.size() - 7)).find("truncated"), std::string::npos);
    EXPECT_NE(refusal(good.substr(0, 3)).find("truncated"), std::string::npos);
    EXPECT_NE(refusal(sample::BackupKeybagBuilder("pw", {.version = 9}).bytes()).find("version 9"), std::string::npos);
    EXPECT_NE(refusal("").find("version"), std::string::npos);
    // The header alone: everything but the class keys.
    EXPECT_NE(refusal(good.substr(0, good.find("UUID", good.find("UUID") + 4))).find("no keys"), std::string::npos);
}

TEST(BackupKeys, FilesDecryptInPiecesCutToTheirSize)
{
    test::TempDir dir;
    const std::string key(32, '\x5a');
    std::string plain(3 * 1024 * 1024 + 123, '\0');
    for (std::size_t i = 0; i < plain.size(); ++i)
        plain[i] = static_cast<char>(i % 251);
    sample::writeSampleFile(dir / "file", aesCbcEncrypt(key, plain).value());

    ASSERT_TRUE(decryptFile(dir / "file", key, plain.size(), dir / "plain"));
    EXPECT_EQ(*readFile(dir / "plain"), plain);
    ASSERT_TRUE(decryptFile(dir / "file", key, std::nullopt, dir / "unpadded")) << "Manifest.db has no recorded size";
    EXPECT_EQ(*readFile(dir / "unpadded"), plain);

    const auto shorter = decryptFile(dir / "file", key, plain.size() + 100, dir / "short");
    ASSERT_FALSE(shorter);
    EXPECT_NE(shorter.error().description().find("shorter than"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "short")) << "a failed file leaves nothing behind";

    const auto wrongKey = decryptFile(dir / "file", std::string(32, 'x'), std::nullopt, dir / "wrong");
    ASSERT_FALSE(wrongKey);
    EXPECT_EQ(wrongKey.error().kind(), ErrorKind::damaged);
    EXPECT_FALSE(fs::exists(dir / "wrong"));

    sample::writeSampleFile(dir / "cut", readFile(dir / "file")->substr(0, 100));
    EXPECT_FALSE(decryptFile(dir / "cut", key, 90, dir / "cut-plain")) << "not a whole number of blocks";
    const auto missing = decryptFile(dir / "absent", key, 1, dir / "absent-plain");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind(), ErrorKind::notFound);
}
