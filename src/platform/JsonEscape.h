#pragma once

#include <string>
#include <string_view>

namespace varnholt {

// Appends `text` as a quoted JSON string, byte for byte as nlohmann::json writes it with
// ensure_ascii off and invalid UTF-8 replaced: the short escapes for ", \, backspace, tab,
// line feed, form feed and carriage return, "\u00xx" (lower-case hex) for other control
// characters, every other well-formed character as it is, and one U+FFFD for each
// maximal ill-formed part. Written by hand because exports stream one value at a time,
// and must stay identical to what earlier versions wrote through the library.
void appendJsonString(std::string& out, std::string_view text);

} // namespace varnholt
