#include "sources/contacts/ContactsStore.h"

namespace varnholt {

std::string describe(ContactsAuthorization status)
{
    switch (status) {
    case ContactsAuthorization::notDetermined:
        return "notDetermined (0)";
    case ContactsAuthorization::restricted:
        return "restricted (1)";
    case ContactsAuthorization::denied:
        return "denied (2)";
    case ContactsAuthorization::authorized:
        return "authorized (3)";
    }
    return "unknown";
}

} // namespace varnholt
