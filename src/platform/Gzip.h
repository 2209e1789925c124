#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace varnholt::notesdb {

// Larger bodies are taken for a decompression bomb rather than a note.
inline constexpr std::size_t kMaxInflatedSize = 256u * 1024u * 1024u;

// More than two bytes, starting with the gzip magic 1F 8B.
bool looksLikeGzip(std::string_view bytes);

// Inflates one gzip member into a buffer that grows as needed. Absent for
// corrupt or truncated data, and for output beyond `limit` bytes.
[[nodiscard]] std::optional<std::string> inflateGzip(std::string_view compressed, std::size_t limit = kMaxInflatedSize);

// The other way, as the Notes app writes bodies (fixtures and tests use it).
[[nodiscard]] std::string deflateGzip(std::string_view plain);

} // namespace varnholt::notesdb
