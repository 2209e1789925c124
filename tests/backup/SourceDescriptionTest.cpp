#include "sample-home/BackupBuilder.h"
#include "sample-home/SampleHome.h"
#include "sources/SourceFactory.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace varnholt;
namespace fs = std::filesystem;

// What the front ends show of a source comes from the source alone, the same before its files are
// laid out as after.
TEST(SourceDescription, ABackupIsDescribedByItsDeviceAndItsStoresAsThePhoneKeepsThem)
{
    test::TempDir dir;
    const test::ScopedEnvironment utc("TZ", "UTC");
    sample::buildSampleHome(dir / "home");
    sample::buildBackupOfHome(dir / "home", dir / "backup");
    sample::buildBackupOfHome(dir / "home", dir / "locked", sample::BackupEncryption{"open sesame", {20, 20}});
    fs::create_directories(dir / "out");

    const SourceDescription identified = identifySource((dir / "backup").string())->describe();
    EXPECT_EQ(identified.kind, SourceKind::backup);
    EXPECT_FALSE(identified.encrypted);
    EXPECT_EQ(identified.title, "iPhone backup of Ada's iPhone, iOS 17.4.1, 2024-05-01 12:51");
    EXPECT_EQ(identified.deviceKind, "iPhone");
    EXPECT_EQ(identified.deviceName, "Ada's iPhone");
    EXPECT_EQ(identified.osVersion, "17.4.1");
    EXPECT_EQ(identified.backupDate, 1714567890.0);
    EXPECT_EQ(identified.stores.at(ExporterType::messages),
              std::vector<std::string>{"HomeDomain Library/SMS/sms.db in the backup"});
    EXPECT_EQ(identified.stores.at(ExporterType::voiceMemos),
              (std::vector<std::string>{"AppDomainGroup-group.com.apple.VoiceMemos.shared Recordings in the backup",
                                        "MediaDomain Media/Recordings in the backup"}));
    const SourceDescription opened = openSource((dir / "backup").string(), (dir / "out").string())->describe();
    EXPECT_EQ(opened.title, identified.title);
    EXPECT_EQ(opened.stores, identified.stores);
    EXPECT_EQ(identifySource((dir / "backup").string())->accessProbe(ExporterType::messages),
              (dir / "backup/Manifest.db").string());

    EXPECT_TRUE(identifySource((dir / "locked").string())->describe().encrypted);

    const SourcePtr home = identifySource((dir / "home").string());
    const SourceDescription mac = home->describe();
    EXPECT_EQ(mac.kind, SourceKind::macHome);
    EXPECT_EQ(mac.title, "Mac home folder " + (dir / "home").string());
    EXPECT_TRUE(mac.deviceName.empty());
    EXPECT_EQ(mac.stores.at(ExporterType::messages), std::vector<std::string>{home->messagesDatabase()});
    EXPECT_EQ(mac.stores.at(ExporterType::voiceMemos).size(), 6u);
    EXPECT_EQ(mac.stores.count(ExporterType::photos), 0u);
    EXPECT_EQ(home->accessProbe(ExporterType::messages), home->messagesDatabase());

    // Told from the names in a folder alone.
    EXPECT_EQ(recogniseFolder((dir / "backup").string()), SourceKind::backup);
    EXPECT_EQ(recogniseFolder((dir / "home").string()), SourceKind::macHome);
    EXPECT_EQ(recogniseFolder((dir / "out").string()), std::nullopt);
}
