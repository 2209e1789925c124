#pragma once

#include "model/messages/Contact.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <tl/expected.hpp>

namespace varnholt {

// The values of a contacts store's authorisation status; only `authorized` lets a lookup go on.
enum class ContactsAuthorization { notDetermined = 0, restricted = 1, denied = 2, authorized = 3 };
std::string describe(ContactsAuthorization status);

// The four operations a contact-name lookup uses. The address-book implementation
// reads the Mac's AddressBook databases and vCard files; tests stand in their own.
class ContactsStore {
public:
    using AccessCallback = std::function<void(bool granted, const std::optional<std::string>& error)>;
    // Called once per contact delivered; setting `stop` ends the enumeration.
    using ContactVisitor = std::function<void(const Contact& contact, bool& stop)>;

    virtual ~ContactsStore() = default;

    virtual ContactsAuthorization authorizationStatus() = 0;
    // Runs `callback` exactly once, on any thread.
    virtual void requestAccess(AccessCallback callback) = 0;
    // Contacts with a phone number that the store considers the same number, in the store's order.
    virtual tl::expected<std::vector<Contact>, std::string> contactsMatchingPhoneNumber(const std::string& number) = 0;
    // Contacts with an e-mail address containing `text`, ignoring case and diacritics.
    virtual tl::expected<void, std::string> enumerateContactsWithEmailContaining(const std::string& text,
                                                                                 const ContactVisitor& visitor) = 0;
};

} // namespace varnholt
