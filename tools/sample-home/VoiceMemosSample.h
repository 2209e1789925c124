#pragma once

#include "sample-home/SampleHome.h"

#include <string>

namespace varnholt::sample {

// The recordings folder the Voice Memos app uses on current macOS.
std::filesystem::path voiceMemosFolder(const std::filesystem::path& home);

// Recordings in the first candidate folder: one in a subfolder, mixed-case
// extensions, a non-audio file and a hidden file. Large scale adds many more.
void buildVoiceMemos(const std::filesystem::path& home, const SampleOptions& options);

// A short, valid audio file of each kind the sample uses.
std::string makeWav(double seconds, double frequency);
std::string makeM4a(double seconds);

} // namespace varnholt::sample
