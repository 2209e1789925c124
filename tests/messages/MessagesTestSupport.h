#pragma once

#include "platform/Files.h"
#include "sources/contacts/ContactsStore.h"
#include "support/FileTree.h"
#include "support/SourceFingerprint.h"

#include <filesystem>
#include <string>
#include <vector>

namespace varnholt::test {

// A sample Mac home with the Messages database, its attachments and the address books.
void buildMessagesHome(const std::filesystem::path& home);

// A contacts store answering from a fixed list, recording the phone numbers it was asked about.
class FakeContactsStore : public ContactsStore {
public:
    ContactsAuthorization status = ContactsAuthorization::authorized;
    bool grantOnRequest = true;
    std::optional<std::string> requestError;
    std::optional<std::string> searchError;
    std::vector<Contact> people;
    std::vector<std::string> phoneQueries;
    int requests = 0;

    ContactsAuthorization authorizationStatus() override { return status; }
    void requestAccess(AccessCallback callback) override;
    tl::expected<std::vector<Contact>, std::string> contactsMatchingPhoneNumber(const std::string& number) override;
    tl::expected<void, std::string> enumerateContactsWithEmailContaining(const std::string& text,
                                                                         const ContactVisitor& visitor) override;
};

} // namespace varnholt::test
