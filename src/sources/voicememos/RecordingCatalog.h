#pragma once

#include "model/recordings/RecordingDetails.h"

#include <filesystem>
#include <map>
#include <string>

namespace varnholt {

class Database;

// The Voice Memos app's own catalog beside the recordings (CloudRecordings.db, or Recordings.db on
// older systems): titles, dates, durations, folders, keyed by the path of each recording relative
// to the recordings folder. Empty when there is no catalog or it cannot be read (said in a trace
// line): the recordings export without it.
class RecordingCatalog {
public:
    // `scratchFolder` as for DatabaseSnapshot: where a private copy may go if one is needed.
    static RecordingCatalog read(const std::filesystem::path& recordingsFolder,
                                 const std::filesystem::path& scratchFolder);

    const RecordingDetails* find(const std::string& relativePath) const;
    bool empty() const { return m_entries.empty(); }

private:
    void readCloudRecordings(const Database& db);
    void readOldRecordings(const Database& db);

    std::map<std::string, RecordingDetails> m_entries;
};

} // namespace varnholt
