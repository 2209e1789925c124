#include "sources/contacts/ContactName.h"

#include "platform/Trace.h"

#include <array>
#include <memory>
#include <semaphore>

namespace varnholt {

namespace {
void removeAll(std::string& text, const std::string& what)
{
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at))
        text.erase(at, what.size());
}

bool authorize(ContactsStore& store)
{
    const ContactsAuthorization status = store.authorizationStatus();
    if (status == ContactsAuthorization::authorized)
        return true;
    if (status != ContactsAuthorization::notDetermined) {
        Trace::line("[MessagesExporter] Contacts access not authorized. Status: " + describe(status));
        return false;
    }
    // The answer may come on any thread; the flag is written before the release and read after the acquire.
    struct Answer {
        bool granted = false;
        std::binary_semaphore done{0};
    };
    auto answer = std::make_shared<Answer>();
    store.requestAccess([answer](bool granted, const std::optional<std::string>& error) {
        answer->granted = granted;
        if (error)
            Trace::line("[MessagesExporter] Error requesting contacts access: " + *error);
        answer->done.release();
    });
    answer->done.acquire();
    if (!answer->granted) {
        Trace::line("[MessagesExporter] Contacts access denied after request");
        return false;
    }
    return true;
}

std::optional<std::string> search(ContactsStore& store, const std::string& identifier)
{
    const std::string cleaned = cleanedIdentifier(identifier);
    const std::array<std::string, 4> variants{identifier, cleaned, "+1" + cleaned, "1" + cleaned};
    for (const std::string& variant : variants) {
        auto found = store.contactsMatchingPhoneNumber(variant);
        if (!found) {
            Trace::line("[MessagesExporter] Error searching contacts: " + found.error());
            return std::nullopt;
        }
        if (found->empty())
            continue;
        const std::string name = composeContactName(found->front());
        if (!name.empty()) {
            Trace::line("[MessagesExporter] Found contact: " + name + " for " + variant);
            return name;
        }
    }
    if (identifier.find('@') != std::string::npos) {
        std::optional<Contact> first;
        auto enumerated =
            store.enumerateContactsWithEmailContaining(identifier, [&first](const Contact& contact, bool& stop) {
                first = contact;
                stop = true;
            });
        if (!enumerated) {
            Trace::line("[MessagesExporter] Error searching contacts: " + enumerated.error());
            return std::nullopt;
        }
        if (first) {
            const std::string name = composeContactName(*first);
            if (!name.empty()) {
                Trace::line("[MessagesExporter] Found contact: " + name + " for email " + identifier);
                return name;
            }
        }
    }
    return std::nullopt;
}
} // namespace

std::string cleanedIdentifier(const std::string& identifier)
{
    std::string cleaned = identifier;
    for (const char* what : {"+1", "+", "(", ")", "-", " "})
        removeAll(cleaned, what);
    return cleaned;
}

std::optional<std::string> getContactName(ContactsStore& store, const std::string& identifier)
{
    if (!authorize(store))
        return std::nullopt;
    auto name = search(store, identifier);
    if (!name)
        Trace::line("[MessagesExporter] No contact found for: " + identifier);
    return name;
}

} // namespace varnholt
