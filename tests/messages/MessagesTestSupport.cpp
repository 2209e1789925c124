#include "MessagesTestSupport.h"

#include "platform/TextFolding.h"
#include "sample-home/ContactsSample.h"
#include "sample-home/MessagesSample.h"
#include "sources/contacts/PhoneNumberIndex.h"

#include <thread>

namespace varnholt::test {

namespace fs = std::filesystem;

void buildMessagesHome(const fs::path& home)
{
    sample::SampleOptions options;
    sample::buildMessages(home, options);
    sample::buildContacts(home, options);
}

void FakeContactsStore::requestAccess(AccessCallback callback)
{
    ++requests;
    // Answer from another thread, as the platform may.
    std::thread([callback, granted = grantOnRequest, error = requestError] { callback(granted, error); }).join();
}

tl::expected<std::vector<Contact>, std::string>
FakeContactsStore::contactsMatchingPhoneNumber(const std::string& number)
{
    phoneQueries.push_back(number);
    if (searchError)
        return tl::unexpected(*searchError);
    std::vector<Contact> found;
    for (const Contact& person : people)
        for (const std::string& phone : person.phoneNumbers)
            if (PhoneNumberIndex::sameNumber(number, phone)) {
                found.push_back(person);
                break;
            }
    return found;
}

tl::expected<void, std::string> FakeContactsStore::enumerateContactsWithEmailContaining(const std::string& text,
                                                                                        const ContactVisitor& visitor)
{
    if (searchError)
        return tl::unexpected(*searchError);
    for (const Contact& person : people)
        for (const std::string& email : person.emailAddresses)
            if (containsIgnoringCaseAndDiacritics(email, text)) {
                bool stop = false;
                visitor(person, stop);
                if (stop)
                    return {};
                break;
            }
    return {};
}

} // namespace varnholt::test
