#pragma once

#include <optional>
#include <string>

namespace varnholt {

// What the Voice Memos app knows of one recording beyond its file: each field only when the
// app's catalog holds it.
struct RecordingDetails {
    std::optional<std::string> title;
    std::optional<double> recordedAt; // seconds since 1970, UTC
    std::optional<double> durationSeconds;
    std::optional<std::string> folder;
    std::optional<bool> recentlyDeleted;
};

} // namespace varnholt
