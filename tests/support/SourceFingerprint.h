#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt::test {

// What a file, folder or link below a folder is, byte for byte and to the nanosecond.
struct FileFingerprint {
    enum class Kind { file, folder, link, other };
    Kind kind = Kind::other;
    std::string sha256; // of the contents (files) or of the link target (links)
    std::uintmax_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
    unsigned mode = 0;

    bool operator==(const FileFingerprint&) const = default;
};

// Every entry below `root` (relative path -> fingerprint), links not followed.
using TreeFingerprint = std::map<std::string, FileFingerprint>;
TreeFingerprint fingerprintTree(const std::filesystem::path& root);

// One line per entry that appeared, went or changed; empty when the trees are identical.
std::vector<std::string> differences(const TreeFingerprint& before, const TreeFingerprint& after);

// The same as one text, one indented line each, for a failure message; empty when identical.
std::string describeDifferences(const TreeFingerprint& before, const TreeFingerprint& after);

std::string sha256Hex(std::string_view bytes);

} // namespace varnholt::test
