#pragma once

#include "model/messages/Contact.h"

#include <string_view>
#include <vector>

namespace varnholt {

// Reads the people of a vCard file (versions 2.1, 3.0 and 4.0): folded lines,
// property groups ("item1.TEL"), backslash escapes and quoted-printable values.
// Names come from N (family;given;...), or from FN when N holds neither.
class VCardReader {
public:
    static std::vector<Contact> parse(std::string_view text);
};

} // namespace varnholt
