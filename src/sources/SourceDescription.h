#pragma once

#include "model/ExporterType.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace varnholt {

enum class SourceKind { macHome, backup };

// What a source is and where its data lies, in the words a user knows: for front ends to show,
// so they never need to know which kind of Source they hold.
struct SourceDescription {
    SourceKind kind = SourceKind::macHome;
    bool encrypted = false;
    // "Mac home folder /home/ada/mac", "iPhone backup of Ada's iPhone, iOS 17.4.1, 2024-05-01 12:51".
    std::string title;
    // A backup's device; empty for a home.
    std::string deviceKind; // "iPhone", "iPad", "iPod"
    std::string deviceName;
    std::string osVersion;
    std::optional<double> backupDate; // seconds since 1970
    // Where each exporter's data lies, in the order it is looked for: a home's paths, or the domain and
    // path of each file in a backup ("HomeDomain Library/SMS/sms.db in the backup").
    std::map<ExporterType, std::vector<std::string>> stores;

    bool isBackup() const { return kind == SourceKind::backup; }
};

} // namespace varnholt
