#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace varnholt {

// The transcript newer Voice Memos keep inside a recording: a `tsrp` atom in the MPEG-4 box tree
// holding JSON whose "attributedString" carries the words. Returns the plain text, or nothing when
// the file has no transcript or one that cannot be read. Reads the box headers and the one atom
// only, never the audio.
std::optional<std::string> readRecordingTranscript(const std::filesystem::path& recording);

} // namespace varnholt
