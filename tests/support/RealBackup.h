#pragma once

#include "sample-home/BackupBuilder.h"

#include <filesystem>
#include <optional>

namespace varnholt::test {

// The same real phone files twice: as a plain iPhone backup and as a Mac home folder, so that an
// export of one can be held against the other. From the real data folder: the iOS 9 sms.db (given
// one picture attachment and one change left in its -wal) and AddressBook.sqlitedb (given one card
// for the sender), the real iOS Notes container with its -wal and media; and the sample recordings
// with their CloudRecordings.db.
struct RealBackup {
    std::filesystem::path backup;
    std::filesystem::path home;
};

// The sms.db message text the -wal alone holds, and the name on the card.
inline constexpr const char* kTextOnlyInTheLog = "Changed after the last checkpoint";
inline constexpr const char* kSenderName = "Victoria Alfonzo";
inline constexpr const char* kAttachmentName = "IMG_0001.jpeg";

// With `encryption`, the backup is encrypted as "Encrypt local backup" makes it.
RealBackup buildRealBackup(const std::filesystem::path& folder, const std::filesystem::path& realdata,
                           const std::optional<sample::BackupEncryption>& encryption = {});

} // namespace varnholt::test
