#pragma once

#include "sample-home/SampleHome.h"

#include <string>
#include <vector>

namespace varnholt::sample {

// The recordings folder the Voice Memos app uses on current macOS.
std::filesystem::path voiceMemosFolder(const std::filesystem::path& home);

// Recordings in the first candidate folder: one in a subfolder, mixed-case
// extensions, a non-audio file and a hidden file. Large scale adds many more.
void buildVoiceMemos(const std::filesystem::path& home, const SampleOptions& options);

// One row of a sample CloudRecordings.db.
struct SampleRecording {
    std::string path;        // relative to the recordings folder
    std::string title;       // ZENCRYPTEDTITLE; empty for NULL
    std::string customLabel; // ZCUSTOMLABEL; empty for NULL
    double appleDate = 0;    // seconds since 2001
    double duration = 0;
    std::string folder; // empty: none
    bool recentlyDeleted = false;
};

// The Voice Memos catalog with the Core Data schema of current systems, in `recordingsFolder`.
void writeCloudRecordings(const std::filesystem::path& recordingsFolder, const std::vector<SampleRecording>& rows);

// A short, valid audio file of each kind the sample uses.
std::string makeWav(double seconds, double frequency);
std::string makeM4a(double seconds);
// The same with a transcript: a 'tsrp' atom holding the JSON of an attributed string, in moov/udta.
std::string makeM4aWithTranscript(double seconds, const std::vector<std::string>& words);

} // namespace varnholt::sample
