#pragma once

#include "platform/Files.h"
#include "sources/contacts/ContactsStore.h"
#include "sources/contacts/PhoneNumberIndex.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace varnholt {

class Database;

// The contacts store on Linux: the people of the address book databases a source holds
// (Source::contactsDatabases) and of any vCard files given. Every database is read through a
// DatabaseSnapshot, which writes nothing beside it. Authorised when at least one of them is
// readable. Loaded once, on first use.
class AddressBookContactsStore : public ContactsStore {
public:
    // `scratchFolder`: where a copy of a database may go if it cannot be read in place (below the
    // output folder); empty where nothing may be written, and then such a book is left out with a warning.
    AddressBookContactsStore(std::vector<std::string> addressBooks, std::vector<std::string> vcardFiles,
                             ReadabilityProbe canRead = defaultReadabilityProbe(),
                             std::filesystem::path scratchFolder = {});

    ContactsAuthorization authorizationStatus() override;
    void requestAccess(AccessCallback callback) override;
    tl::expected<std::vector<Contact>, std::string> contactsMatchingPhoneNumber(const std::string& number) override;
    tl::expected<void, std::string> enumerateContactsWithEmailContaining(const std::string& text,
                                                                         const ContactVisitor& visitor) override;

    const std::vector<Contact>& contacts();

private:
    std::vector<std::string> readableSources() const;
    void load();
    void loadAddressBook(const std::string& path);
    // The phone's own address book (AddressBook.sqlitedb in a backup): ABPerson and ABMultiValue.
    void loadPhoneAddressBook(const Database& db, const std::function<void(const std::string&)>& warn);
    void loadVCard(const std::string& path);

    std::vector<std::string> m_addressBooks;
    std::vector<std::string> m_vcardFiles;
    ReadabilityProbe m_canRead;
    std::filesystem::path m_scratchFolder;
    bool m_loaded = false;
    std::vector<Contact> m_contacts;
    PhoneNumberIndex m_phoneIndex;
};

} // namespace varnholt
