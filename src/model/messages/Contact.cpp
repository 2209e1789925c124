#include "model/messages/Contact.h"

namespace varnholt {

std::string composeContactName(const Contact& contact)
{
    std::string name = contact.givenName;
    if (!contact.familyName.empty()) {
        if (!name.empty())
            name += ' ';
        name += contact.familyName;
    }
    return name;
}

} // namespace varnholt
