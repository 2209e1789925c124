#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnholt::notesdb {

// The last resort for a body that does not parse as a note message: keeps the
// runs of readable ASCII (10 characters or more) that are not known protobuf
// noise, joined by line feeds. Letters outside ASCII are lost on this route.
[[nodiscard]] std::optional<std::string> extractTextFromProtobuf(std::string_view bytes);

// Whether a trimmed run is one of the byte patterns that protobuf framing
// produces between readable stretches.
bool isNoiseRun(std::string_view trimmed);

} // namespace varnholt::notesdb
