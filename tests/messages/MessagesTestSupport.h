#pragma once

#include "sources/contacts/ContactsStore.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace varnholt::test {

// A sample Mac home with the Messages database, its attachments and the address books.
void buildMessagesHome(const std::filesystem::path& home);

std::string readText(const std::filesystem::path& path);
std::string bytesOf(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::string& bytes);

// Files below a folder, as paths relative to it, sorted.
std::vector<std::string> filesBelow(const std::filesystem::path& folder);

// Content and modification time of every file below a folder, to prove it was left alone.
std::map<std::string, std::pair<std::string, long long>> fingerprint(const std::filesystem::path& folder);

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
