#pragma once

#include <string>
#include <vector>

namespace varnholt {

// One person of an address book, with the four things a name lookup needs.
struct Contact {
    std::string givenName;
    std::string familyName;
    std::vector<std::string> phoneNumbers;
    std::vector<std::string> emailAddresses;
};

// Given and family name, each left out when empty, joined by one blank; empty when both are.
std::string composeContactName(const Contact& contact);

} // namespace varnholt
