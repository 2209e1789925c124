#pragma once

#include "sources/contacts/ContactsStore.h"

#include <optional>
#include <string>

namespace varnholt {

// The name of the address-book entry for a conversation identifier (a phone
// number or an e-mail address), or nothing. Tries the identifier as a phone
// number in four spellings, then, for an address, as an e-mail substring.
// Blocks while access is being requested; never throws. Writes its trace lines.
std::optional<std::string> getContactName(ContactsStore& store, const std::string& identifier);

// The identifier without "+1", "+", "(", ")", "-" and blanks, removed in that order everywhere.
std::string cleanedIdentifier(const std::string& identifier);

} // namespace varnholt
